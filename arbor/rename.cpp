// Edit > Rename: a key (with the tree focused) or a value (with the list
// focused), in a small dialog with the old name selected. The registry
// renames a key in one step, keeping its sub-keys and values, and a value in
// one step, keeping its type and data. A name that cannot be used is refused
// with its reason and nothing changes.
#include "arbor.h"

static HTREEITEM g_hRenameItem;  // the key, or the key of the value
static BOOL g_bRenameValue;      // a value (the row g_iRenameRow) or the key
static int g_iRenameRow;
static WCHAR g_szOldName[MAX_KEY_PATH];
static WCHAR g_szNewName[MAX_KEY_PATH];

static void RenameError(HWND hDlg, LPCWSTR szText) {
    MessageBox(hDlg, szText, TEXT("ERROR"), MB_OK);
}

// Says what the registry answered; the dialog stays open. IDABORT ends it
// when the key has gone, IDNO when the value has.
static void RenameFailed(HWND hDlg, LONG lResult) {
    WCHAR szText[MAX_KEY_PATH + 80];

    if (lResult == ERROR_ALREADY_EXISTS) {
        swprintf(szText,
                 g_bRenameValue ? TEXT("A value named \"%s\" already exists in this key")
                                : TEXT("A key named \"%s\" already exists here"),
                 g_szNewName);
        RenameError(hDlg, szText);
    } else if (lResult == ERROR_FILE_NOT_FOUND && g_bRenameValue) {
        RenameError(hDlg, TEXT("The value has been deleted"));
        EndDialog(hDlg, IDNO);
    } else if (lResult == ERROR_FILE_NOT_FOUND || lResult == ERROR_KEY_DELETED || lResult == ERROR_PATH_NOT_FOUND) {
        RenameError(hDlg, TEXT("The key has been deleted"));
        EndDialog(hDlg, IDABORT);
    } else {
        swprintf(szText, TEXT("The registry did not rename it (error %u)"), (unsigned)lResult);
        RenameError(hDlg, szText);
    }
}

// Renames the key of g_hRenameItem to g_szNewName.
static LONG RenameKey(void) {
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL;

    szPath[0] = 0;
    if (!BuildKeyPath(g_hRenameItem, &hRoot, szPath)) return ERROR_INVALID_PARAMETER;
    return RegRenameKey(hRoot, szPath, g_szNewName);
}

// Renames the value g_szOldName of the key of g_hRenameItem; the registry
// moves its type and data in one step.
static LONG RenameValue(void) {
    HKEY hRoot, hKey;
    LONG lResult;

    if (!OpenItemKey(g_hRenameItem, &hRoot, &hKey)) return ERROR_KEY_DELETED;
    lResult = RegRenameValue(hKey, g_szOldName, g_szNewName);
    CloseItemKey(hRoot, hKey);
    return lResult;
}

// Checks the typed name; says why it cannot be used.
static BOOL CheckNewName(HWND hDlg) {
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL;

    if (GetWindowTextLength(GetDlgItem(hDlg, IDC_RENAME_NAME)) > MAX_NAME_CHARS) {
        RenameError(hDlg, TEXT("The name is too long (at most 255 characters)"));
        return FALSE;
    }
    GetDlgItemText(hDlg, IDC_RENAME_NAME, g_szNewName, MAX_KEY_PATH);
    if (!g_szNewName[0]) {
        RenameError(hDlg, TEXT("The name can not be empty"));
        return FALSE;
    }
    if (g_bRenameValue) return TRUE;
    if (wcschr(g_szNewName, TEXT('\\'))) {
        RenameError(hDlg, TEXT("A key name can not contain \\"));
        return FALSE;
    }
    // The key's path must still fit the path buffers.
    szPath[0] = 0;
    if (!BuildKeyPath(TreeView_GetParent(g_hTree, g_hRenameItem), &hRoot, szPath) ||
        !AppendKeyName(szPath, g_szNewName)) {
        RenameError(hDlg, TEXT("The name is too long for a key this deep"));
        return FALSE;
    }
    return TRUE;
}

INT_PTR CALLBACK RenameDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hName;
    LONG lResult;

    switch (message) {
        case WM_INITDIALOG:
            CenterDialog(hDlg);
            SetWindowText(hDlg, g_bRenameValue ? TEXT("Rename Value") : TEXT("Rename Key"));
            hName = GetDlgItem(hDlg, IDC_RENAME_NAME);
            SetWindowText(hName, g_szOldName);
            SetFocus(hName);
            SendMessage(hName, EM_SETSEL, 0, -1);
            return FALSE;

        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                if (!CheckNewName(hDlg)) return TRUE;
                // The same name: nothing to do.
                if (!wcscmp(g_szNewName, g_szOldName)) {
                    EndDialog(hDlg, IDCANCEL);
                    return TRUE;
                }
                lResult = g_bRenameValue ? RenameValue() : RenameKey();
                if (lResult == ERROR_SUCCESS)
                    EndDialog(hDlg, IDOK);
                else
                    RenameFailed(hDlg, lResult);
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

void RenameSelected(void) {
    HTREEITEM hItem = TreeView_GetSelection(g_hTree);
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL;
    TVITEM tvi;
    INT_PTR iResult;

    szPath[0] = 0;
    if (!hItem || !BuildKeyPath(hItem, &hRoot, szPath)) return;
    g_hRenameItem = hItem;
    g_bRenameValue = GetFocus() == g_hList;
    g_szOldName[0] = 0;
    if (g_bRenameValue) {
        g_iRenameRow = GetSelectedRow();
        if (g_iRenameRow < 0 || hItem == TreeView_GetRoot(g_hTree)) return;
        ListView_GetItemText(g_hList, g_iRenameRow, 0, g_szOldName, MAX_KEY_PATH);
    } else {
        // "My Device" and the roots keep their names.
        if (IsFixedItem(hItem)) return;
        tvi.mask = TVIF_HANDLE | TVIF_TEXT;
        tvi.hItem = hItem;
        tvi.pszText = g_szOldName;
        tvi.cchTextMax = MAX_KEY_PATH;
        TreeView_GetItem(g_hTree, &tvi);
    }

    iResult = RunDialog(IDD_RENAME, RenameDlgProc);
    if (iResult == IDABORT) {
        ForgetVanishedKey(hItem);
    } else if (iResult == IDNO) {
        // Another program deleted the value: its row goes too.
        ListView_DeleteItem(g_hList, g_iRenameRow);
    } else if (iResult == IDOK && g_bRenameValue) {
        ListView_SetItemText(g_hList, g_iRenameRow, 0, g_szNewName);
    } else if (iResult == IDOK) {
        // The items below follow: their paths are read from the texts.
        tvi.mask = TVIF_HANDLE | TVIF_TEXT;
        tvi.hItem = hItem;
        tvi.pszText = g_szNewName;
        TreeView_SetItem(g_hTree, &tvi);
    }
}
