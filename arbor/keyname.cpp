// The full path of the selected key: shown in the status bar under the two
// panes, and put on the clipboard by Copy Key Name.
#include <string.h>

#include "arbor.h"

HWND g_hStatus = NULL;

BOOL CreateStatusBar(HWND hWndParent) {
    RECT rcBar, rcView;
    int cyBar;

    g_hStatus = CreateStatusWindow(WS_CHILD | WS_VISIBLE, TEXT(""), hWndParent, IDC_STATUS);
    if (!g_hStatus) return FALSE;
    // The panes end where the bar begins.
    GetWindowRect(g_hStatus, &rcBar);
    cyBar = rcBar.bottom - rcBar.top;
    if (g_hTree && GetWindowRect(g_hTree, &rcView)) {
        ScreenToClient(hWndParent, (LPPOINT)&rcView.left);
        ScreenToClient(hWndParent, (LPPOINT)&rcView.right);
        MoveWindow(g_hTree, rcView.left, rcView.top, rcView.right - rcView.left, rcView.bottom - rcView.top - cyBar,
                   TRUE);
    }
    if (g_hList && GetWindowRect(g_hList, &rcView)) {
        ScreenToClient(hWndParent, (LPPOINT)&rcView.left);
        ScreenToClient(hWndParent, (LPPOINT)&rcView.right);
        MoveWindow(g_hList, rcView.left, rcView.top, rcView.right - rcView.left, rcView.bottom - rcView.top - cyBar,
                   TRUE);
    }
    return TRUE;
}

BOOL GetSelectedKeyName(LPWSTR szName) {
    HTREEITEM hItem = TreeView_GetSelection(g_hTree);
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL;
    TVITEM tvi;
    HTREEITEM hRootItem;

    szName[0] = 0;
    szPath[0] = 0;
    if (!hItem || !BuildKeyPath(hItem, &hRoot, szPath) || !hRoot) return FALSE;
    // The root's name, as the tree shows it, then the path below it.
    for (hRootItem = hItem; TreeView_GetParent(g_hTree, hRootItem) != TreeView_GetRoot(g_hTree);)
        hRootItem = TreeView_GetParent(g_hTree, hRootItem);
    tvi.mask = TVIF_HANDLE | TVIF_TEXT;
    tvi.hItem = hRootItem;
    tvi.pszText = szName;
    tvi.cchTextMax = MAX_KEY_PATH;
    if (!TreeView_GetItem(g_hTree, &tvi)) return FALSE;
    if (wcslen(szName) + wcslen(szPath) > MAX_KEY_NAME - 1) {
        szName[0] = 0;
        return FALSE;
    }
    wcscat(szName, szPath);
    return TRUE;
}

void UpdateStatusBar(void) {
    WCHAR szName[MAX_KEY_NAME];

    if (!g_hStatus) return;
    GetSelectedKeyName(szName);
    SendMessage(g_hStatus, SB_SETTEXT, 0, (LPARAM)szName);
}

void CopyKeyName(void) {
    WCHAR szName[MAX_KEY_NAME];
    HGLOBAL hText;
    WCHAR* pText;
    size_t cb;

    if (!GetSelectedKeyName(szName)) return;
    cb = (wcslen(szName) + 1) * sizeof(WCHAR);
    hText = GlobalAlloc(GMEM_MOVEABLE, (UINT)cb);
    if (!hText) return;
    pText = (WCHAR*)GlobalLock(hText);
    memcpy(pText, szName, cb);
    GlobalUnlock(hText);
    if (!OpenClipboard(g_hWndMain)) {
        GlobalFree(hText);
        return;
    }
    EmptyClipboard();
    // The clipboard owns the text from here on.
    if (!SetClipboardData(CF_UNICODETEXT, hText)) GlobalFree(hText);
    CloseClipboard();
}
