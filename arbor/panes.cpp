// The two panes and the keyboard: Tab moves between the tree and the list,
// Enter opens or closes the selected key in the tree (in the list it is the
// Modify accelerator), a double tap on a row modifies its value, and the
// focus goes back to its pane after every dialog.
#include "arbor.h"

// The pane that had the focus last: the tree or the list.
static HWND g_hWndFocusPane = NULL;

BOOL PreTranslatePaneKey(const MSG* pMsg) {
    HTREEITEM hItem;
    UINT uState;

    if (pMsg->message != WM_KEYDOWN) return FALSE;
    if (pMsg->wParam == VK_TAB && (pMsg->hwnd == g_hTree || pMsg->hwnd == g_hList)) {
        SetFocus(pMsg->hwnd == g_hTree ? g_hList : g_hTree);
        NotePaneFocus();
        return TRUE;
    }
    if (pMsg->wParam == VK_RETURN && pMsg->hwnd == g_hTree) {
        // As Right and Left do: the tree reads the sub-keys of a key it opens.
        hItem = TreeView_GetSelection(g_hTree);
        if (!hItem) return TRUE;
        uState = TreeView_GetItemState(g_hTree, hItem, TVIS_EXPANDED);
        if (uState & TVIS_EXPANDED)
            SendMessage(g_hTree, WM_KEYDOWN, VK_LEFT, 0);
        else
            SendMessage(g_hTree, WM_KEYDOWN, VK_RIGHT, 0);
        return TRUE;
    }
    return FALSE;
}

void NotePaneFocus(void) {
    HWND hFocus = GetFocus();

    if (hFocus && (hFocus == g_hTree || hFocus == g_hList)) g_hWndFocusPane = hFocus;
}

void RestorePaneFocus(void) {
    HWND hPane = g_hWndFocusPane;

    if (!hPane || !IsWindow(hPane)) hPane = g_hTree;
    if (hPane && GetFocus() != hPane) SetFocus(hPane);
}

LRESULT OnListNotify(LPNMHDR pnmh) {
    switch (pnmh->code) {
        case NM_DBLCLK:
            // A double tap on a row; on the empty part of the list it does
            // nothing.
            if (((LPNMITEMACTIVATE)pnmh)->iItem >= 0) PostMessage(g_hWndMain, WM_COMMAND, IDM_MODIFY, 0);
            break;
        case LVN_COLUMNCLICK:
            SortValueList(((LPNMLISTVIEW)pnmh)->iSubItem);
            break;
    }
    return 0;
}
