// Context menus: press-and-hold (the touch screen's right click) on a key in
// the tree or on a value in the list opens a menu of what applies there. The
// item under the stylus is selected first, and the pane it is in gets the
// focus, so each command acts on what the menu was opened on.
#include "arbor.h"

// The popups of menu IDR_CONTEXT, by position.
#define CONTEXT_KEY 0
#define CONTEXT_VALUE 1
#define CONTEXT_LIST 2

static void TrackContextMenu(int iPopup, const POINT* pt, BOOL bKey, HTREEITEM hItem) {
    HMENU hMenu = LoadMenu(g_hInst, MAKEINTRESOURCE(IDR_CONTEXT));
    HMENU hPopup;

    if (!hMenu) return;
    hPopup = GetSubMenu(hMenu, iPopup);
    if (bKey) {
        // "My Device" can only be exported; the roots are neither deleted nor
        // renamed.
        if (hItem == TreeView_GetRoot(g_hTree)) {
            EnableMenuItem(hPopup, 0, MF_BYPOSITION | MF_GRAYED);
            EnableMenuItem(hPopup, IDM_COPY_KEY_NAME, MF_BYCOMMAND | MF_GRAYED);
        }
        if (IsFixedItem(hItem)) {
            EnableMenuItem(hPopup, IDM_DELETE, MF_BYCOMMAND | MF_GRAYED);
            EnableMenuItem(hPopup, IDM_RENAME, MF_BYCOMMAND | MF_GRAYED);
        }
    }
    // The choice comes back as WM_COMMAND, like a choice from the menu bar.
    TrackPopupMenuEx(hPopup, TPM_LEFTALIGN | TPM_TOPALIGN, pt->x, pt->y, g_hWndMain, NULL);
    DestroyMenu(hMenu);
}

// The point of the menu: where the stylus was held, or for the keyboard
// (x and y -1) the middle of the item.
static void MenuPoint(HWND hWnd, int x, int y, const RECT* prcItem, POINT* pt) {
    if (x != -1 || y != -1) {
        pt->x = x;
        pt->y = y;
        return;
    }
    pt->x = (prcItem->left + prcItem->right) / 2;
    pt->y = (prcItem->top + prcItem->bottom) / 2;
    ClientToScreen(hWnd, pt);
}

static void TreeContextMenu(int x, int y) {
    TVHITTESTINFO ht;
    POINT pt;
    RECT rc;
    HTREEITEM hItem;

    if (x == -1 && y == -1) {
        hItem = TreeView_GetSelection(g_hTree);
        if (!hItem) return;
    } else {
        ht.pt.x = x;
        ht.pt.y = y;
        ScreenToClient(g_hTree, &ht.pt);
        hItem = TreeView_HitTest(g_hTree, &ht);
        if (!hItem || !(ht.flags & TVHT_ONITEM)) return;
    }
    TreeView_SelectItem(g_hTree, hItem);
    TreeView_GetItemRect(g_hTree, hItem, &rc, TRUE);
    MenuPoint(g_hTree, x, y, &rc, &pt);
    // A key's commands: no value row may stand for it.
    ListView_SetItemState(g_hList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(g_hList, -1);
    SetFocus(g_hTree);
    TrackContextMenu(CONTEXT_KEY, &pt, TRUE, hItem);
}

static void ListContextMenu(int x, int y) {
    LVHITTESTINFO ht;
    HTREEITEM hItem;
    POINT pt;
    RECT rc;
    int iRow;

    if (x == -1 && y == -1) {
        iRow = ListView_GetNextItem(g_hList, -1, LVNI_SELECTED);
    } else {
        ht.pt.x = x;
        ht.pt.y = y;
        ScreenToClient(g_hList, &ht.pt);
        iRow = ListView_HitTest(g_hList, &ht);
    }
    SetFocus(g_hList);
    if (iRow < 0) {
        // The empty part of the list: new values for the selected key.
        hItem = TreeView_GetSelection(g_hTree);
        if (!hItem || hItem == TreeView_GetRoot(g_hTree)) return;
        ListView_SetItemState(g_hList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetSelectionMark(g_hList, -1);
        GetClientRect(g_hList, &rc);
        MenuPoint(g_hList, x, y, &rc, &pt);
        TrackContextMenu(CONTEXT_LIST, &pt, FALSE, NULL);
        return;
    }
    ListView_SetItemState(g_hList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(g_hList, iRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(g_hList, iRow);
    ListView_GetItemRect(g_hList, iRow, &rc, LVIR_LABEL);
    MenuPoint(g_hList, x, y, &rc, &pt);
    TrackContextMenu(CONTEXT_VALUE, &pt, FALSE, NULL);
}

void OnContextMenu(HWND hWnd, int x, int y) {
    if (hWnd == g_hTree)
        TreeContextMenu(x, y);
    else if (hWnd == g_hList)
        ListContextMenu(x, y);
}
