// The registry editor's frame: program entry and message loop, the main
// window with its command bar and two views, menu commands, the About box.
#include "arbor.h"

HINSTANCE g_hInst = NULL;
HWND g_hWndMain = NULL;
HWND g_hWndCB = NULL;
int g_cyCommandBar = 0;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
    MSG msg;
    HACCEL hAccel;

    if (!CreateMainWindow(hInstance, nCmdShow)) return 0;

    hAccel = LoadAccelerators(g_hInst, MAKEINTRESOURCE(IDR_ACCELERATORS));
    while (GetMessage(&msg, NULL, 0, 0)) {
        // The accelerators belong to the main window. Most messages are for
        // the tree or the list (they hold the focus), so the main window is
        // named here: otherwise the accelerator's WM_COMMAND would go to
        // the control, and Alt+F4 or Alt+/ would do nothing.
        if (PreTranslatePaneKey(&msg)) continue;
        if (!TranslateAccelerator(g_hWndMain, hAccel, &msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        NotePaneFocus();
    }
    return (int)msg.wParam;
}

BOOL CreateMainWindow(HINSTANCE hInstance, int nCmdShow) {
    WCHAR szWindowClass[100];
    WCHAR szTitle[100];
    HWND hWnd;
    INITCOMMONCONTROLSEX icex;

    g_hInst = hInstance;
    LoadString(hInstance, IDS_WNDCLASS, szWindowClass, 100);
    RegisterMainClass(hInstance, szWindowClass);
    LoadString(hInstance, IDS_APP_TITLE, szTitle, 100);

    // No caption: the command bar carries the menu and the close box. The
    // default position and size of such a window is the whole screen.
    hWnd = CreateWindowEx(0, szWindowClass, szTitle, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, NULL, NULL, hInstance, NULL);
    if (!hWnd) return FALSE;
    g_hWndMain = hWnd;

    icex.dwSize = sizeof(INITCOMMONCONTROLSEX);
    icex.dwICC = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES;
    InitCommonControlsEx(&icex);

    ShowWindow(hWnd, nCmdShow);
    UpdateWindow(hWnd);
    if (g_hWndCB) CommandBar_Show(g_hWndCB, TRUE);
    return TRUE;
}

WORD RegisterMainClass(HINSTANCE hInstance, LPCWSTR szWindowClass) {
    WNDCLASS wc;

    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIcon(hInstance, MAKEINTRESOURCE(IDI_ARBOR));
    wc.hCursor = NULL;
    wc.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = szWindowClass;
    return RegisterClass(&wc);
}

LRESULT CALLBACK MainWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    PAINTSTRUCT ps;

    switch (message) {
        case WM_CREATE:
            // The tree selects its first item before the list exists: the list
            // must then not be there, even from an earlier window of this run.
            g_hList = NULL;
            g_hWndCB = CommandBar_Create(g_hInst, hWnd, 1);
            CommandBar_InsertMenubar(g_hWndCB, g_hInst, IDR_MENU, 0);
            CommandBar_AddAdornments(g_hWndCB, 0, 0);
            g_cyCommandBar = CommandBar_Height(g_hWndCB);
            // A view that cannot be made is simply missing.
            CreateKeyTree(hWnd, g_hInst);
            CreateValueList(hWnd, g_hInst);
            CreateStatusBar(hWnd);
            return 0;

        case WM_PAINT:
            BeginPaint(hWnd, &ps);
            EndPaint(hWnd, &ps);
            return 0;

        case WM_CONTEXTMENU:
            OnContextMenu((HWND)wParam, (short)LOWORD(lParam), (short)HIWORD(lParam));
            return 0;

        case WM_NOTIFY:
            if (wParam == IDC_TREE && ((LPNMHDR)lParam)->code == TVN_SELCHANGED) UpdateStatusBar();
            if (wParam == IDC_TREE) OnTreeNotify((LPNMTREEVIEW)lParam);
            if (wParam == IDC_LIST) OnListNotify((LPNMHDR)lParam);
            return 0;

        case WM_ACTIVATE:
            // Back from a dialog or a message box: the focus returns to its pane.
            if (LOWORD(wParam) != WA_INACTIVE) RestorePaneFocus();
            return 0;

        case WM_COMMAND:
            OnCommand(hWnd, LOWORD(wParam));
            // A command may have renamed, deleted or selected a key.
            UpdateStatusBar();
            return 0;

        case WM_DESTROY:
            // The list view frees its own image list; the tree view leaves its
            // to the program.
            ImageList_Destroy(TreeView_SetImageList(g_hTree, NULL, TVSIL_NORMAL));
            CommandBar_Destroy(g_hWndCB);
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProc(hWnd, message, wParam, lParam);
}

INT_PTR RunDialog(int id, DLGPROC proc) {
    HRSRC hRes = FindResource(g_hInst, MAKEINTRESOURCE(id), RT_DIALOG);
    HGLOBAL hTemplate;

    if (!hRes) return -1;
    hTemplate = LoadResource(g_hInst, hRes);
    if (!hTemplate) return -1;
    return DialogBoxIndirectParam(g_hInst, (LPCDLGTEMPLATE)LockResource(hTemplate), g_hWndMain, proc, 0);
}

// FALSE for a key too deep to name: it cannot be changed.
static BOOL CanNameItem(HTREEITEM hItem) {
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL;

    szPath[0] = 0;
    return BuildKeyPath(hItem, &hRoot, szPath);
}

LRESULT OnCommand(HWND hWnd, WORD wId) {
    HTREEITEM hItem;
    HTREEITEM hTop;
    int iMark;

    switch (wId) {
        case IDM_FILE_EXIT:
            DestroyWindow(hWnd);
            break;

        case IDM_HELP_ABOUT:
            RunDialog(IDD_ABOUTBOX, AboutDlgProc);
            break;

        case IDM_NEW_KEY:
        case IDM_NEW_STRING:
        case IDM_NEW_BINARY:
        case IDM_NEW_DWORD:
            hItem = TreeView_GetSelection(g_hTree);
            hTop = TreeView_GetRoot(g_hTree);
            if (!hItem || hItem == hTop || !CanNameItem(hItem)) break;
            if (wId == IDM_NEW_KEY) {
                if (RunDialog(IDD_NEWKEY, NewKeyDlgProc) == IDOK) AddNewKey(hItem);
            } else if (RunDialog(IDD_NEWVALUE, NewValueDlgProc) == IDOK) {
                if (wId == IDM_NEW_STRING)
                    AddStringValue(hItem);
                else if (wId == IDM_NEW_BINARY)
                    AddBinaryValue(hItem);
                else
                    AddDwordValue(hItem);
            }
            break;

        case IDM_MODIFY:
            ModifySelectedValue();
            break;

        case IDM_NEW_MULTI_STRING:
            NewTypedValue(REG_MULTI_SZ);
            break;

        case IDM_NEW_EXPAND_STRING:
            NewTypedValue(REG_EXPAND_SZ);
            break;

        case IDM_NEW_QWORD:
            NewTypedValue(REG_QWORD);
            break;

        case IDM_RENAME:
            RenameSelected();
            break;

        case IDM_DELETE:
            hItem = TreeView_GetSelection(g_hTree);
            iMark = GetSelectedRow();
            if (hItem && !CanNameItem(hItem)) break;
            if (hItem && iMark == -1) {
                // "My Device" and the four roots are never deleted: no question,
                // no change.
                if (IsFixedItem(hItem)) break;
                if (MessageBox(hWnd, TEXT("Are you sure you want to DELETE this KEY?"), TEXT("Confirm"),
                               MB_OKCANCEL | MB_ICONQUESTION) == IDOK)
                    DeleteSelectedKey(hItem);
            } else if (hItem && iMark != -1) {
                if (MessageBox(hWnd, TEXT("Are you sure you want to DELETE this registry value?"), TEXT("Confirm"),
                               MB_OKCANCEL) == IDOK)
                    DeleteSelectedValue(hItem);
            }
            break;

        case IDM_FIND:
        case IDM_FIND_NEXT:
            FindCommand(wId);
            break;

        case IDM_COPY_KEY_NAME:
            CopyKeyName();
            break;

        case IDM_REFRESH:
            RefreshViews();
            break;

        case IDM_FILE_EXPORT:
            ExportSelectedKey();
            break;

        case IDM_FILE_IMPORT:
            ImportRegistryFile();
            break;
    }
    return 0;
}

INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CenterDialog(hDlg);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(hDlg, LOWORD(wParam));
                return TRUE;
            }
            break;
    }
    return FALSE;
}

void CenterDialog(HWND hDlg) {
    RECT rcDlg, rcParent;
    int x, y;

    if (!GetWindowRect(hDlg, &rcDlg)) return;
    GetClientRect(GetParent(hDlg), &rcParent);
    x = ((rcParent.right - rcParent.left) - (rcDlg.right - rcDlg.left)) / 2;
    y = ((rcParent.bottom - rcParent.top) - (rcDlg.bottom - rcDlg.top)) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    // The parent's client size, centred at the screen origin.
    SetWindowPos(hDlg, NULL, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

HIMAGELIST CreateImages(HINSTANCE hInstance) {
    HIMAGELIST hImages;
    HBITMAP hBitmap;

    hImages = ImageList_Create(16, 16, ILC_MASK, IMG_COUNT, 0);
    if (!hImages) return NULL;
    hBitmap = LoadBitmap(hInstance, MAKEINTRESOURCE(IDB_IMAGES));
    if (hBitmap) {
        // No mask bitmap: the pictures are drawn opaque.
        ImageList_Add(hImages, hBitmap, NULL);
        DeleteObject(hBitmap);
    }
    if (ImageList_GetImageCount(hImages) < IMG_COUNT) {
        ImageList_Destroy(hImages);
        return NULL;
    }
    return hImages;
}
