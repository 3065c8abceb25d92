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
            return TRUE;

        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
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

void AddNewKey(HTREEITEM hItem) {
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL, hKey;
    DWORD dwDisposition;
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

    hNew = AddKeyItem(hItem, g_szNewKeyName, 0, FALSE);
    // Under a collapsed key the next expansion reads the new key with the
    // others; only the expand button shows it now.
    tvi.mask = TVIF_HANDLE | TVIF_STATE;
    tvi.hItem = hItem;
    tvi.stateMask = TVIS_EXPANDED;
    TreeView_GetItem(g_hTree, &tvi);
    if (hNew && !(tvi.state & TVIS_EXPANDED)) TreeView_DeleteItem(g_hTree, hNew);
}

// Opens the key of hItem for one value operation: the root key itself for
// an empty path. FALSE when it cannot be named or opened.
static BOOL OpenItemKey(HTREEITEM hItem, HKEY* phRoot, HKEY* phKey) {
    WCHAR szPath[MAX_KEY_PATH];

    szPath[0] = 0;
    *phRoot = NULL;
    if (!BuildKeyPath(hItem, phRoot, szPath)) return FALSE;
    *phKey = *phRoot;
    if (szPath[0] && RegOpenKeyEx(*phRoot, szPath, 0, 0, phKey) != ERROR_SUCCESS) return FALSE;
    return TRUE;
}

static void CloseItemKey(HKEY hRoot, HKEY hKey) {
    if (hKey != hRoot) RegCloseKey(hKey);
}

void AddStringValue(HTREEITEM hItem) {
    HKEY hRoot, hKey;

    if (!OpenItemKey(hItem, &hRoot, &hKey)) return;
    if (RegSetValueEx(hKey, g_szValueName, 0, REG_SZ, (const BYTE*)g_szValueData,
                      (DWORD)((wcslen(g_szValueData) + 1) * sizeof(WCHAR))) == ERROR_SUCCESS)
        AddValueRow(ListView_GetItemCount(g_hList), IMG_STRING, g_szValueName, g_szValueData);
    CloseItemKey(hRoot, hKey);
}

void AddDwordValue(HTREEITEM hItem) {
    HKEY hRoot, hKey;
    LONG lValue;
    DWORD dwValue;
    BYTE data[4];

    if (!OpenItemKey(hItem, &hRoot, &hKey)) return;
    // As the C library converts: digits up to the first other character,
    // saturating at the limits of a signed 32-bit number.
    lValue = (LONG)_wtol(g_szValueData);
    dwValue = (DWORD)lValue;
    data[0] = (BYTE)dwValue;
    data[1] = (BYTE)(dwValue >> 8);
    data[2] = (BYTE)(dwValue >> 16);
    data[3] = (BYTE)(dwValue >> 24);
    if (RegSetValueEx(hKey, g_szValueName, 0, REG_DWORD, data, 4) == ERROR_SUCCESS)
        AddValueRow(ListView_GetItemCount(g_hList), IMG_DWORD, g_szValueName, g_szValueData);
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

    if (!OpenItemKey(hItem, &hRoot, &hKey)) return;
    iMark = ListView_GetSelectionMark(g_hList);
    szName[0] = 0;
    ListView_GetItemText(g_hList, iMark, 0, szName, MAX_KEY_PATH);
    // The row goes only when the value is gone.
    if (RegDeleteValue(hKey, szName) == ERROR_SUCCESS ||
        RegQueryValueEx(hKey, szName, NULL, NULL, NULL, NULL) == ERROR_FILE_NOT_FOUND)
        ListView_DeleteItem(g_hList, iMark);
    CloseItemKey(hRoot, hKey);
}
