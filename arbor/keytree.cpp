// The key tree: "My Device", the four registry roots, and below them the
// keys, read lazily each time an item is expanded.
#include "arbor.h"

HWND g_hTree = NULL;

static const WCHAR* const s_rootNames[] = {TEXT("HKEY_CLASSES_ROOT"), TEXT("HKEY_CURRENT_USER"),
                                           TEXT("HKEY_LOCAL_MACHINE"), TEXT("HKEY_USERS")};
static const HKEY s_roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};

BOOL CreateKeyTree(HWND hWndParent, HINSTANCE hInstance) {
    RECT rc;
    HIMAGELIST hImages;
    TVINSERTSTRUCT tvis;
    HTREEITEM hTop;
    int i;

    GetClientRect(hWndParent, &rc);
    g_hTree = CreateWindowEx(0, WC_TREEVIEW, TEXT("Tree View"),
                             WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | TVS_HASBUTTONS | TVS_HASLINES |
                                 TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                             0, g_cyCommandBar + 1, rc.right / 3, rc.bottom - g_cyCommandBar - 1, hWndParent,
                             (HMENU)IDC_TREE, hInstance, NULL);
    if (!g_hTree) return FALSE;

    hImages = CreateImages(hInstance);
    if (!hImages) return FALSE;
    TreeView_SetImageList(g_hTree, hImages, TVSIL_NORMAL);

    tvis.hParent = TVI_ROOT;
    tvis.hInsertAfter = TVI_LAST;
    tvis.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    tvis.item.pszText = (LPWSTR)TEXT("My Device");
    tvis.item.iImage = IMG_DEVICE;
    tvis.item.iSelectedImage = IMG_DEVICE;
    tvis.item.cChildren = 1;
    tvis.item.lParam = 0;
    hTop = TreeView_InsertItem(g_hTree, &tvis);
    if (!hTop) return FALSE;

    for (i = 0; i < 4; i++) AddKeyItem(hTop, s_rootNames[i], (DWORD)(ULONG_PTR)s_roots[i], TRUE);

    // The selection reaches OnTreeNotify before the value list exists;
    // FillValueList then does nothing.
    TreeView_SelectItem(g_hTree, hTop);
    TreeView_Expand(g_hTree, hTop, TVE_EXPAND | TVE_EXPANDPARTIAL);
    return TRUE;
}

HTREEITEM AddKeyItem(HTREEITEM hParent, LPCWSTR szText, DWORD dwTag, BOOL bHasChildren) {
    TVINSERTSTRUCT tvis;

    tvis.hParent = hParent;
    tvis.hInsertAfter = TVI_LAST;
    tvis.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    tvis.item.pszText = (LPWSTR)szText;
    tvis.item.iImage = IMG_KEY;
    tvis.item.iSelectedImage = IMG_KEY_OPEN;
    tvis.item.cChildren = bHasChildren ? 1 : 0;
    tvis.item.lParam = (LPARAM)dwTag;
    return TreeView_InsertItem(g_hTree, &tvis);
}

BOOL AppendKeyName(LPWSTR szPath, LPCWSTR szName) {
    // Every key path lives in a MAX_KEY_PATH buffer: a name that would not
    // fit after "\" is refused instead of written past its end.
    if (wcslen(szPath) + 1 + wcslen(szName) > MAX_KEY_PATH - 1) return FALSE;
    wcscat(szPath, TEXT("\\"));
    wcscat(szPath, szName);
    return TRUE;
}

DWORD CountSubkeys(HKEY hRoot, LPCWSTR szPath, LPCWSTR szName) {
    WCHAR szKey[MAX_KEY_PATH];
    HKEY hKey;
    DWORD cSubKeys = 0;

    // A key too deep to name has no path: it shows without an expand
    // button and cannot be opened.
    if (wcslen(szPath) > MAX_KEY_PATH - 1) return 0;
    wcscpy(szKey, szPath);
    if (!AppendKeyName(szKey, szName)) return 0;
    if (RegOpenKeyEx(hRoot, szKey, 0, 0, &hKey) != ERROR_SUCCESS) return 0;
    if (RegQueryInfoKey(hKey, NULL, NULL, NULL, &cSubKeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
        cSubKeys = 0;
    RegCloseKey(hKey);
    return cSubKeys;
}

BOOL ExpandKeyItem(HTREEITEM hItem, HKEY hRoot, LPCWSTR szPath) {
    HKEY hKey = hRoot;
    WCHAR szName[MAX_KEY_PATH];
    WCHAR szClass[MAX_KEY_PATH];
    DWORD cchName, cchClass, dwIndex;
    BOOL bAdded = FALSE;
    TVITEM tvi;

    if (szPath[0] && RegOpenKeyEx(hRoot, szPath, 0, 0, &hKey) != ERROR_SUCCESS) return FALSE;

    szName[0] = 0;
    for (dwIndex = 0;; dwIndex++) {
        cchName = MAX_KEY_PATH;
        cchClass = MAX_KEY_PATH;
        if (RegEnumKeyEx(hKey, dwIndex, szName, &cchName, NULL, szClass, &cchClass, NULL) != ERROR_SUCCESS) break;
        AddKeyItem(hItem, szName, 0, CountSubkeys(hRoot, szPath, szName) != 0);
        bAdded = TRUE;
        szName[0] = 0;
    }

    if (hKey != hRoot) RegCloseKey(hKey);

    if (!bAdded) {
        tvi.mask = TVIF_HANDLE | TVIF_CHILDREN;
        tvi.hItem = hItem;
        tvi.cChildren = 0;
        TreeView_SetItem(g_hTree, &tvi);
    }
    return TRUE;
}

BOOL BuildKeyPath(HTREEITEM hItem, HKEY* phRoot, LPWSTR szPath) {
    HTREEITEM hParent = TreeView_GetParent(g_hTree, hItem);
    WCHAR szText[MAX_KEY_PATH];
    TVITEM tvi;

    tvi.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM;
    tvi.hItem = hItem;
    tvi.pszText = szText;
    tvi.cchTextMax = MAX_KEY_PATH;
    szText[0] = 0;

    if (!hParent || hParent == TreeView_GetRoot(g_hTree)) {
        szPath[0] = 0;
        if (TreeView_GetItem(g_hTree, &tvi)) *phRoot = (HKEY)(ULONG_PTR)(DWORD)tvi.lParam;
        return TRUE;
    }
    if (!BuildKeyPath(hParent, phRoot, szPath)) return FALSE;
    TreeView_GetItem(g_hTree, &tvi);
    return AppendKeyName(szPath, szText);
}

BOOL IsFixedItem(HTREEITEM hItem) {
    HTREEITEM hTop = TreeView_GetRoot(g_hTree);
    return hItem == hTop || TreeView_GetParent(g_hTree, hItem) == hTop;
}

LRESULT OnTreeNotify(LPNMTREEVIEW pnmtv) {
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL;
    HTREEITEM hItem, hChild, hNext;

    switch (pnmtv->hdr.code) {
        case TVN_SELCHANGED:
            szPath[0] = 0;
            if (BuildKeyPath(pnmtv->itemNew.hItem, &hRoot, szPath)) {
                if (!FillValueList(hRoot, szPath) && g_hList) ForgetKeyIfGone(pnmtv->itemNew.hItem, hRoot, szPath);
            } else if (g_hList)
                // A key too deep to name: its values cannot be read, and the
                // rows of the key shown before must not stand for it.
                ListView_DeleteAllItems(g_hList);
            break;

        case TVN_ITEMEXPANDING:
            hItem = pnmtv->itemNew.hItem;
            if (pnmtv->action != TVE_EXPAND || hItem == TreeView_GetRoot(g_hTree)) break;
            szPath[0] = 0;
            if (BuildKeyPath(hItem, &hRoot, szPath)) ExpandKeyItem(hItem, hRoot, szPath);
            break;

        case TVN_ITEMEXPANDED:
            hItem = pnmtv->itemNew.hItem;
            if (pnmtv->action != TVE_COLLAPSE || hItem == TreeView_GetRoot(g_hTree)) break;
            for (hChild = TreeView_GetChild(g_hTree, hItem); hChild; hChild = hNext) {
                hNext = TreeView_GetNextSibling(g_hTree, hChild);
                TreeView_DeleteItem(g_hTree, hChild);
            }
            break;
    }
    return 0;
}
