// Refresh: reads every expanded key and the value list again, so that both
// panes show what other programs changed. Items of keys that still exist stay
// (with their expansion, the selection and the scroll positions); items of
// keys that are gone are removed; new keys are added in the registry's order.
#include <stdlib.h>
#include <string.h>

#include "arbor.h"

// An existing child item, by name.
typedef struct {
    HTREEITEM hItem;
    WCHAR* pszName;
    BOOL bSeen;
} CHILDITEM;

static int CompareChildItems(const void* a, const void* b) {
    return _wcsicmp(((const CHILDITEM*)a)->pszName, ((const CHILDITEM*)b)->pszName);
}

static void SetChildFlag(HTREEITEM hItem, BOOL bHasChildren) {
    TVITEM tvi;

    tvi.mask = TVIF_HANDLE | TVIF_CHILDREN;
    tvi.hItem = hItem;
    tvi.cChildren = bHasChildren ? 1 : 0;
    TreeView_SetItem(g_hTree, &tvi);
}

// TRUE when child szName of hKey has sub-keys.
static BOOL HasSubkeys(HKEY hKey, LPCWSTR szName) {
    HKEY hChild;
    DWORD cSubKeys = 0;

    if (RegOpenKeyEx(hKey, szName, 0, 0, &hChild) != ERROR_SUCCESS) return FALSE;
    if (RegQueryInfoKey(hChild, NULL, NULL, NULL, &cSubKeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
        cSubKeys = 0;
    RegCloseKey(hChild);
    return cSubKeys != 0;
}

// The existing children of hItem, sorted by name; *pn is their number.
// NULL when there are none or memory is short.
static CHILDITEM* ReadChildItems(HTREEITEM hItem, int* pn) {
    WCHAR szText[MAX_KEY_PATH];
    CHILDITEM* pItems = NULL;
    CHILDITEM* p;
    HTREEITEM hChild;
    TVITEM tvi;
    int n = 0, nAlloc = 0;

    for (hChild = TreeView_GetChild(g_hTree, hItem); hChild; hChild = TreeView_GetNextSibling(g_hTree, hChild)) {
        if (n == nAlloc) {
            nAlloc = nAlloc ? 2 * nAlloc : 64;
            p = (CHILDITEM*)realloc(pItems, nAlloc * sizeof(CHILDITEM));
            if (!p) break;
            pItems = p;
        }
        tvi.mask = TVIF_HANDLE | TVIF_TEXT;
        tvi.hItem = hChild;
        tvi.pszText = szText;
        tvi.cchTextMax = MAX_KEY_PATH;
        szText[0] = 0;
        TreeView_GetItem(g_hTree, &tvi);
        pItems[n].hItem = hChild;
        pItems[n].pszName = _wcsdup(szText);
        pItems[n].bSeen = FALSE;
        if (!pItems[n].pszName) break;
        n++;
    }
    if (n) qsort(pItems, n, sizeof(CHILDITEM), CompareChildItems);
    *pn = n;
    return pItems;
}

// Brings the children of hItem in line with the sub-keys of its key hKey.
static void RefreshChildren(HTREEITEM hItem, HKEY hKey) {
    WCHAR szName[MAX_KEY_PATH];
    CHILDITEM key;
    TVITEM tvi;
    CHILDITEM* pItems;
    CHILDITEM* pFound;
    HTREEITEM hPrev = TVI_FIRST, hNew;
    TVINSERTSTRUCT tvis;
    DWORD dwIndex, cchName;
    BOOL bAny = FALSE;
    int n = 0, i;

    pItems = ReadChildItems(hItem, &n);
    for (dwIndex = 0;; dwIndex++) {
        cchName = MAX_KEY_PATH;
        if (RegEnumKeyEx(hKey, dwIndex, szName, &cchName, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        bAny = TRUE;
        key.pszName = szName;
        pFound = n ? (CHILDITEM*)bsearch(&key, pItems, n, sizeof(CHILDITEM), CompareChildItems) : NULL;
        if (pFound && !pFound->bSeen) {
            // A key still there: its expansion stays; a collapsed one gets
            // its button right, a renamed one its new spelling.
            pFound->bSeen = TRUE;
            if (wcscmp(pFound->pszName, szName)) {
                tvi.mask = TVIF_HANDLE | TVIF_TEXT;
                tvi.hItem = pFound->hItem;
                tvi.pszText = szName;
                TreeView_SetItem(g_hTree, &tvi);
            }
            if (!(TreeView_GetItemState(g_hTree, pFound->hItem, TVIS_EXPANDED) & TVIS_EXPANDED))
                SetChildFlag(pFound->hItem, HasSubkeys(hKey, szName));
            hPrev = pFound->hItem;
            continue;
        }
        // A new key: after the item of the key before it.
        tvis.hParent = hItem;
        tvis.hInsertAfter = hPrev;
        tvis.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
        tvis.item.pszText = szName;
        tvis.item.iImage = IMG_KEY;
        tvis.item.iSelectedImage = IMG_KEY_OPEN;
        tvis.item.cChildren = HasSubkeys(hKey, szName) ? 1 : 0;
        tvis.item.lParam = 0;
        hNew = TreeView_InsertItem(g_hTree, &tvis);
        if (hNew) hPrev = hNew;
    }
    // Keys another program deleted.
    for (i = 0; i < n; i++) {
        if (!pItems[i].bSeen) TreeView_DeleteItem(g_hTree, pItems[i].hItem);
        free(pItems[i].pszName);
    }
    free(pItems);
    if (!bAny) SetChildFlag(hItem, FALSE);
}

BOOL RefreshKeyItem(HTREEITEM hItem) {
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL, hKey;

    szPath[0] = 0;
    if (!BuildKeyPath(hItem, &hRoot, szPath) || !hRoot) return FALSE;
    hKey = hRoot;
    if (szPath[0] && RegOpenKeyEx(hRoot, szPath, 0, 0, &hKey) != ERROR_SUCCESS) return FALSE;
    RefreshChildren(hItem, hKey);
    if (hKey != hRoot) RegCloseKey(hKey);
    return TRUE;
}

// One expanded key of the walk, with its key open.
typedef struct {
    HTREEITEM hItem;
    HKEY hKey;
    HTREEITEM hNextChild;
} REFRESHLEVEL;

// Every expanded key below "My Device", parents before children, without
// recursion. A child is opened through its parent's handle, which has just
// listed it.
static void RefreshExpandedKeys(HTREEITEM hTop) {
    // A path of MAX_KEY_PATH - 1 characters has at most this many names.
    REFRESHLEVEL levels[MAX_KEY_PATH / 2 + 2];
    WCHAR szName[MAX_KEY_PATH];
    REFRESHLEVEL* pTop;
    HTREEITEM hItem, hRoot;
    TVITEM tvi;
    HKEY hKey;
    int n;

    for (hRoot = TreeView_GetChild(g_hTree, hTop); hRoot; hRoot = TreeView_GetNextSibling(g_hTree, hRoot)) {
        if (!(TreeView_GetItemState(g_hTree, hRoot, TVIS_EXPANDED) & TVIS_EXPANDED)) continue;
        tvi.mask = TVIF_HANDLE | TVIF_PARAM;
        tvi.hItem = hRoot;
        if (!TreeView_GetItem(g_hTree, &tvi) || !tvi.lParam) continue;
        levels[0].hItem = hRoot;
        levels[0].hKey = (HKEY)(ULONG_PTR)(DWORD)tvi.lParam;
        RefreshChildren(hRoot, levels[0].hKey);
        levels[0].hNextChild = TreeView_GetChild(g_hTree, hRoot);
        n = 1;
        while (n > 0) {
            pTop = &levels[n - 1];
            hItem = pTop->hNextChild;
            if (!hItem) {
                if (n > 1) RegCloseKey(pTop->hKey);
                n--;
                continue;
            }
            pTop->hNextChild = TreeView_GetNextSibling(g_hTree, hItem);
            if (!(TreeView_GetItemState(g_hTree, hItem, TVIS_EXPANDED) & TVIS_EXPANDED)) continue;
            if (n == (int)(sizeof(levels) / sizeof(levels[0]))) continue;
            tvi.mask = TVIF_HANDLE | TVIF_TEXT;
            tvi.hItem = hItem;
            tvi.pszText = szName;
            tvi.cchTextMax = MAX_KEY_PATH;
            szName[0] = 0;
            TreeView_GetItem(g_hTree, &tvi);
            if (RegOpenKeyEx(pTop->hKey, szName, 0, 0, &hKey) != ERROR_SUCCESS) continue;
            RefreshChildren(hItem, hKey);
            levels[n].hItem = hItem;
            levels[n].hKey = hKey;
            levels[n].hNextChild = TreeView_GetChild(g_hTree, hItem);
            n++;
        }
    }
}

static BOOL ItemExists(HTREEITEM hItem) {
    TVITEM tvi;

    tvi.mask = TVIF_HANDLE | TVIF_STATE;
    tvi.hItem = hItem;
    tvi.stateMask = 0;
    return hItem && TreeView_GetItem(g_hTree, &tvi);
}

void RefreshViews(void) {
    WCHAR szRow[MAX_KEY_PATH], szPath[MAX_KEY_PATH];
    HTREEITEM hTop = TreeView_GetRoot(g_hTree);
    HTREEITEM hFirst = TreeView_GetFirstVisible(g_hTree);
    HTREEITEM hSel = TreeView_GetSelection(g_hTree);
    HKEY hRoot = NULL;
    RECT rc;
    int iRow, iTop, nRows;
    BOOL bRow;

    iRow = ListView_GetNextItem(g_hList, -1, LVNI_SELECTED);
    bRow = iRow >= 0;
    szRow[0] = 0;
    if (bRow) ListView_GetItemText(g_hList, iRow, 0, szRow, MAX_KEY_PATH);
    iTop = ListView_GetTopIndex(g_hList);

    if (hTop) RefreshExpandedKeys(hTop);
    if (ItemExists(hFirst)) TreeView_SelectSetFirstVisible(g_hTree, hFirst);

    // The list of the selection; when the selected key went, the tree has
    // already selected another one and filled the list for it.
    if (hSel != TreeView_GetSelection(g_hTree) || !hSel) return;
    szPath[0] = 0;
    if (!BuildKeyPath(hSel, &hRoot, szPath) || !FillValueList(hRoot, szPath)) return;
    nRows = ListView_GetItemCount(g_hList);
    if (nRows && ListView_GetItemRect(g_hList, 0, &rc, LVIR_BOUNDS) && iTop > 0)
        SendMessage(g_hList, LVM_SCROLL, 0, iTop * (rc.bottom - rc.top));
    if (!bRow) return;
    for (iRow = 0; iRow < nRows; iRow++) {
        WCHAR szName[MAX_KEY_PATH];
        szName[0] = 0;
        ListView_GetItemText(g_hList, iRow, 0, szName, MAX_KEY_PATH);
        if (!_wcsicmp(szName, szRow)) {
            ListView_SetItemState(g_hList, iRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_SetSelectionMark(g_hList, iRow);
            break;
        }
    }
}
