// The Edit menu: new keys and string, binary and DWORD values in the
// selected key, and deletion of the selected key or value.
#include "arbor.h"

WCHAR g_szNewKeyName[MAX_KEY_PATH];
WCHAR g_szValueName[MAX_KEY_PATH];
WCHAR g_szValueData[MAX_VALUE_TEXT];

INT_PTR CALLBACK NewKeyDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL;

    switch (message) {
        case WM_INITDIALOG:
            CenterDialog(hDlg);
            return TRUE;

        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                GetDlgItemText(hDlg, IDC_KEYNAME, g_szNewKeyName, MAX_KEY_PATH);
                // A key needs a name, and a "\" would make the name a path of
                // several keys: both are refused and the dialog stays open.
                // The registry takes names of up to MAX_NAME_CHARS characters;
                // a longer one is refused here with its reason, never cut.
                if (GetWindowTextLength(GetDlgItem(hDlg, IDC_KEYNAME)) > MAX_NAME_CHARS) {
                    MessageBox(hDlg, TEXT("Key name is too long (at most 255 characters)"), TEXT("ERROR"), MB_OK);
                    return FALSE;
                }
                if (!g_szNewKeyName[0]) {
                    MessageBox(hDlg, TEXT("Key name can not be empty"), TEXT("ERROR"), MB_OK);
                    return FALSE;
                }
                if (wcschr(g_szNewKeyName, TEXT('\\'))) {
                    MessageBox(hDlg, TEXT("Key name can not contain \\"), TEXT("ERROR"), MB_OK);
                    return FALSE;
                }
                // The new key's path must fit the path buffers.
                szPath[0] = 0;
                if (!BuildKeyPath(TreeView_GetSelection(g_hTree), &hRoot, szPath) ||
                    !AppendKeyName(szPath, g_szNewKeyName)) {
                    MessageBox(hDlg, TEXT("Key name is too long"), TEXT("ERROR"), MB_OK);
                    return FALSE;
                }
                EndDialog(hDlg, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(hDlg, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK NewValueDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CenterDialog(hDlg);
            // The data field takes no more than its buffer holds, so what is
            // typed is what is stored.
            SendDlgItemMessage(hDlg, IDC_VALUEDATA, EM_LIMITTEXT, MAX_VALUE_TEXT - 1, 0);
            return TRUE;

        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                if (GetWindowTextLength(GetDlgItem(hDlg, IDC_VALUENAME)) > MAX_NAME_CHARS) {
                    MessageBox(hDlg, TEXT("Name is too long (at most 255 characters)"), TEXT("ERROR"), MB_OK);
                    return FALSE;
                }
                GetDlgItemText(hDlg, IDC_VALUENAME, g_szValueName, MAX_KEY_PATH);
                GetDlgItemText(hDlg, IDC_VALUEDATA, g_szValueData, MAX_VALUE_TEXT);
                if (g_szValueName[0]) {
                    EndDialog(hDlg, IDOK);
                    return TRUE;
                }
                MessageBox(hDlg, TEXT("Name can not be NULL"), TEXT("ERROR"), MB_OK);
                return FALSE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(hDlg, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

// The child item of hParent named szName (in any case), or NULL.
static HTREEITEM FindChildItem(HTREEITEM hParent, LPCWSTR szName) {
    WCHAR szText[MAX_KEY_PATH];
    TVITEM tvi;
    HTREEITEM hChild;

    for (hChild = TreeView_GetChild(g_hTree, hParent); hChild; hChild = TreeView_GetNextSibling(g_hTree, hChild)) {
        tvi.mask = TVIF_HANDLE | TVIF_TEXT;
        tvi.hItem = hChild;
        tvi.pszText = szText;
        tvi.cchTextMax = MAX_KEY_PATH;
        szText[0] = 0;
        if (TreeView_GetItem(g_hTree, &tvi) && !_wcsicmp(szText, szName)) return hChild;
    }
    return NULL;
}

// The key named in New KEY existed already: its item is selected (the
// parent opened to show it), and no second item stands for it.
static void SelectExistingKey(HTREEITEM hItem) {
    HTREEITEM hChild;

    if (!(TreeView_GetItemState(g_hTree, hItem, TVIS_EXPANDED) & TVIS_EXPANDED)) {
        // As a person opens it, so that the sub-keys are read.
        TreeView_SelectItem(g_hTree, hItem);
        SendMessage(g_hTree, WM_KEYDOWN, VK_RIGHT, 0);
    }
    hChild = FindChildItem(hItem, g_szNewKeyName);
    // Made by another program after the parent was opened: it gets its item.
    if (!hChild && (TreeView_GetItemState(g_hTree, hItem, TVIS_EXPANDED) & TVIS_EXPANDED))
        hChild = AddKeyItem(hItem, g_szNewKeyName, 0, TRUE);
    if (hChild) TreeView_SelectItem(g_hTree, hChild);
}

void AddNewKey(HTREEITEM hItem) {
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL, hKey;
    DWORD dwDisposition = 0;
    HTREEITEM hNew;
    TVITEM tvi;

    szPath[0] = 0;
    if (!BuildKeyPath(hItem, &hRoot, szPath) || !AppendKeyName(szPath, g_szNewKeyName)) return;
    // An item is added only for a key that now exists.
    if (RegCreateKeyEx(hRoot, szPath, 0, NULL, 0, 0, NULL, &hKey, &dwDisposition) != ERROR_SUCCESS) return;
    RegCloseKey(hKey);

    tvi.mask = TVIF_HANDLE | TVIF_CHILDREN | TVIF_STATE;
    tvi.hItem = hItem;
    tvi.stateMask = TVIS_EXPANDED;
    TreeView_GetItem(g_hTree, &tvi);
    if (tvi.cChildren == 0) {
        tvi.mask = TVIF_HANDLE | TVIF_CHILDREN;
        tvi.cChildren = 1;
        TreeView_SetItem(g_hTree, &tvi);
    }
    if (dwDisposition == REG_OPENED_EXISTING_KEY) {
        SelectExistingKey(hItem);
        return;
    }

    hNew = AddKeyItem(hItem, g_szNewKeyName, 0, FALSE);
    // Under a collapsed key the next expansion reads the new key with the
    // others; only the expand button shows it now.
    tvi.mask = TVIF_HANDLE | TVIF_STATE;
    tvi.hItem = hItem;
    tvi.stateMask = TVIS_EXPANDED;
    TreeView_GetItem(g_hTree, &tvi);
    if (hNew && !(tvi.state & TVIS_EXPANDED)) TreeView_DeleteItem(g_hTree, hNew);
}

BOOL OpenItemKey(HTREEITEM hItem, HKEY* phRoot, HKEY* phKey) {
    WCHAR szPath[MAX_KEY_PATH];

    szPath[0] = 0;
    *phRoot = NULL;
    if (!BuildKeyPath(hItem, phRoot, szPath)) return FALSE;
    *phKey = *phRoot;
    if (szPath[0] && RegOpenKeyEx(*phRoot, szPath, 0, 0, phKey) != ERROR_SUCCESS) return FALSE;
    return TRUE;
}

void CloseItemKey(HKEY hRoot, HKEY hKey) {
    if (hKey != hRoot) RegCloseKey(hKey);
}

int GetSelectedRow(void) {
    // The selection mark outlives a tap on the empty part of the list; only
    // a row the user sees selected counts.
    return ListView_GetNextItem(g_hList, -1, LVNI_SELECTED);
}

void AddStringValue(HTREEITEM hItem) {
    HKEY hRoot, hKey;

    if (!OpenItemKey(hItem, &hRoot, &hKey)) return;
    if (RegSetValueEx(hKey, g_szValueName, 0, REG_SZ, (const BYTE*)g_szValueData,
                      (DWORD)((wcslen(g_szValueData) + 1) * sizeof(WCHAR))) == ERROR_SUCCESS)
        AddValueRow(ListView_GetItemCount(g_hList), IMG_STRING, g_szValueName, g_szValueData);
    CloseItemKey(hRoot, hKey);
}

// Reads the DWORD of New DWORD Value: blanks skipped, an optional sign,
// decimal digits up to the first other character (none: 0). A number of
// 0 to 4294967295 is stored as typed, a negative one as its 32-bit pattern
// ("-1" is 4294967295); beyond, it stops at 4294967295 or 0x80000000.
static DWORD ReadTypedDword(LPCWSTR sz) {
    ULONGLONG qw = 0;
    BOOL bNegative = FALSE;

    while (iswspace(*sz)) sz++;
    if (*sz == TEXT('+') || *sz == TEXT('-')) bNegative = *sz++ == TEXT('-');
    for (; *sz >= TEXT('0') && *sz <= TEXT('9'); sz++) {
        qw = qw * 10 + (ULONGLONG)(*sz - TEXT('0'));
        if (qw > 0xFFFFFFFFull) qw = 0x100000000ull;  // stays beyond the range
    }
    if (bNegative) return qw > 0x80000000ull ? 0x80000000u : (DWORD)(0 - (DWORD)qw);
    return qw > 0xFFFFFFFFull ? 0xFFFFFFFFu : (DWORD)qw;
}

void AddDwordValue(HTREEITEM hItem) {
    HKEY hRoot, hKey;
    DWORD dwValue;
    BYTE data[4];
    WCHAR szText[MAX_VALUE_TEXT];

    if (!OpenItemKey(hItem, &hRoot, &hKey)) return;
    dwValue = ReadTypedDword(g_szValueData);
    data[0] = (BYTE)dwValue;
    data[1] = (BYTE)(dwValue >> 8);
    data[2] = (BYTE)(dwValue >> 16);
    data[3] = (BYTE)(dwValue >> 24);
    // The row shows the number stored, not the text typed.
    if (RegSetValueEx(hKey, g_szValueName, 0, REG_DWORD, data, 4) == ERROR_SUCCESS) {
        FormatValueData(REG_DWORD, data, 4, szText);
        AddValueRow(ListView_GetItemCount(g_hList), IMG_DWORD, g_szValueName, szText);
    }
    CloseItemKey(hRoot, hKey);
}

void AddBinaryValue(HTREEITEM hItem) {
    HKEY hRoot, hKey;
    BYTE data[MAX_VALUE_TEXT / 2];
    WCHAR szText[MAX_VALUE_TEXT];
    WCHAR* pSrc;
    WCHAR* pDst;
    DWORD cbData = 0;
    UINT uByte;
    size_t cchText;

    if (!OpenItemKey(hItem, &hRoot, &hKey)) return;

    for (pSrc = pDst = g_szValueData; *pSrc; pSrc++)
        if (*pSrc != TEXT(' ')) *pDst++ = *pSrc;
    *pDst = 0;
    cchText = wcslen(g_szValueData);

    // Two characters a byte; a lone final digit is a byte of its own. The
    // reading stops at the end of the text: what the removal of the blanks
    // left behind the terminator is not part of it.
    while (cbData < sizeof(data) && 2 * cbData < cchText &&
           swscanf(g_szValueData + 2 * cbData, TEXT("%02X"), &uByte) == 1)
        data[cbData++] = (BYTE)uByte;

    if (RegSetValueEx(hKey, g_szValueName, 0, REG_BINARY, data, cbData) == ERROR_SUCCESS) {
        FormatValueData(REG_BINARY, data, cbData, szText);
        AddValueRow(ListView_GetItemCount(g_hList), IMG_BINARY, g_szValueName, szText);
    }
    CloseItemKey(hRoot, hKey);
}

void DeleteSelectedKey(HTREEITEM hItem) {
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL, hKey;

    szPath[0] = 0;
    // A root is never deleted, and a key that cannot be named is left alone.
    if (IsFixedItem(hItem) || !BuildKeyPath(hItem, &hRoot, szPath) || !szPath[0]) return;
    if (RegDeleteKey(hRoot, szPath) != ERROR_SUCCESS) {
        // The item goes only when the key is gone (perhaps deleted by
        // another program already).
        if (RegOpenKeyEx(hRoot, szPath, 0, 0, &hKey) == ERROR_SUCCESS) {
            RegCloseKey(hKey);
            return;
        }
    }
    TreeView_DeleteItem(g_hTree, hItem);
}

void DeleteSelectedValue(HTREEITEM hItem) {
    HKEY hRoot, hKey;
    WCHAR szName[MAX_KEY_PATH];
    int iMark;

    iMark = GetSelectedRow();
    if (iMark < 0 || !OpenItemKey(hItem, &hRoot, &hKey)) return;
    szName[0] = 0;
    ListView_GetItemText(g_hList, iMark, 0, szName, MAX_KEY_PATH);
    // The row goes only when the value is gone.
    if (RegDeleteValue(hKey, szName) == ERROR_SUCCESS ||
        RegQueryValueEx(hKey, szName, NULL, NULL, NULL, NULL) == ERROR_FILE_NOT_FOUND)
        ListView_DeleteItem(g_hList, iMark);
    CloseItemKey(hRoot, hKey);
}
