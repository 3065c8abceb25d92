// Find and Find Next: a search through key names, value names and value data,
// in the order the tree shows keys, starting after the current selection.
//
// The search runs on the user-interface thread. It walks the registry with an
// explicit stack of open keys (no recursion) and keeps its buffers between
// values. Once the search has run for g_dwFindProgressDelay milliseconds a
// dialog shows the key being searched, and from then on the search looks at
// the message queue every FIND_PUMP_MS: Cancel (or Escape) stops it at once.
#include <stdlib.h>
#include <string.h>

#include "arbor.h"

WCHAR g_szFindText[MAX_KEY_PATH];
DWORD g_dwFindFlags = FIND_KEYS | FIND_VALUES | FIND_DATA;
DWORD g_dwFindProgressDelay = 500;

#define FIND_PUMP_MS 40
// A key path of MAX_KEY_PATH - 1 characters has at most this many names.
#define FIND_MAX_DEPTH (MAX_KEY_PATH / 2 + 1)
#define FIND_NAME_CHARS 16384  // the longest value name, with its terminator

static const WCHAR* const s_rootNames[] = {TEXT("HKEY_CLASSES_ROOT"), TEXT("HKEY_CURRENT_USER"),
                                           TEXT("HKEY_LOCAL_MACHINE"), TEXT("HKEY_USERS")};
static const HKEY s_roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};

// One open key of the walk. Level 0 is "My Device": its children are the
// four roots and it has no handle.
typedef struct {
    HKEY hKey;
    DWORD dwNextChild;
    int cchPath;  // length of s_szPath up to and including this key's name
} FINDLEVEL;

static FINDLEVEL s_levels[FIND_MAX_DEPTH + 1];
static int s_nLevels;
static int s_iRoot;                   // index of the root being walked
static WCHAR s_szPath[MAX_KEY_PATH];  // "\Drivers\BuiltIn" below the root
static WCHAR s_szPattern[MAX_KEY_PATH];
static int s_cchPattern;
static WCHAR s_szName[FIND_NAME_CHARS];
static BYTE* s_pData;
static DWORD s_cbData;
static WCHAR* s_pText;
static DWORD s_cchText;

static HWND s_hProgress;
static BOOL s_bCancel;

// ---- matching -------------------------------------------------------------------

// TRUE when the pattern is found in (or, for a whole-string search, equals)
// the cch characters at pText, ignoring case.
static BOOL MatchText(const WCHAR* pText, int cch) {
    int i, j;

    if (g_dwFindFlags & FIND_WHOLE) {
        if (cch != s_cchPattern) return FALSE;
        for (i = 0; i < cch; i++)
            if (towlower(pText[i]) != s_szPattern[i]) return FALSE;
        return TRUE;
    }
    for (i = 0; i + s_cchPattern <= cch; i++) {
        for (j = 0; j < s_cchPattern; j++)
            if (towlower(pText[i + j]) != s_szPattern[j]) break;
        if (j == s_cchPattern) return TRUE;
    }
    return FALSE;
}

// Makes room for cch characters of data text.
static BOOL TextRoom(DWORD cch) {
    WCHAR* p;

    if (cch <= s_cchText) return TRUE;
    p = (WCHAR*)realloc(s_pText, cch * sizeof(WCHAR));
    if (!p) return FALSE;
    s_pText = p;
    s_cchText = cch;
    return TRUE;
}

// Data is matched as the list shows it: strings as text (each string of a
// multi-string), numbers in decimal, anything else as hex bytes "01 AB FF".
static BOOL MatchData(DWORD dwType, const BYTE* pData, DWORD cbData) {
    DWORD cch = cbData / sizeof(WCHAR), i, start;
    unsigned long long qw;
    WCHAR szNumber[24];

    switch (dwType) {
        case REG_SZ:
        case REG_EXPAND_SZ:
        case REG_MULTI_SZ:
            if (!TextRoom(cch + 1)) return FALSE;
            for (i = 0; i < cch; i++) s_pText[i] = (WCHAR)(pData[2 * i] | (pData[2 * i + 1] << 8));
            if (dwType != REG_MULTI_SZ) {
                for (i = 0; i < cch && s_pText[i]; i++) {
                }
                return MatchText(s_pText, (int)i);
            }
            for (start = 0; start < cch;) {
                for (i = start; i < cch && s_pText[i]; i++) {
                }
                if (i == start) break;  // the empty string ends the list
                if (MatchText(s_pText + start, (int)(i - start))) return TRUE;
                start = i + 1;
            }
            return FALSE;

        case REG_DWORD:
        case REG_QWORD:
            qw = 0;
            for (i = 0; i < (dwType == REG_DWORD ? 4u : 8u) && i < cbData; i++)
                qw |= (unsigned long long)pData[i] << (8 * i);
            swprintf(szNumber, TEXT("%llu"), qw);
            return MatchText(szNumber, (int)wcslen(szNumber));

        default:
            if (!cbData) return MatchText(TEXT(""), 0);
            if (!TextRoom(cbData * 3 + 1)) return FALSE;  // each "%02X " writes its terminator too
            for (i = 0; i < cbData; i++) swprintf(s_pText + 3 * i, TEXT("%02X "), pData[i]);
            return MatchText(s_pText, (int)(cbData * 3 - 1));
    }
}

// ---- the walk ------------------------------------------------------------------

static void CloseLevels(void) {
    while (s_nLevels > 1) {
        s_nLevels--;
        if (s_levels[s_nLevels].hKey != s_roots[s_iRoot]) RegCloseKey(s_levels[s_nLevels].hKey);
    }
    s_nLevels = 1;
}

// Opens child szName of the deepest level and makes it the deepest level.
static BOOL PushKey(LPCWSTR szName) {
    FINDLEVEL* pTop = &s_levels[s_nLevels - 1];
    HKEY hKey;
    int cch = (int)wcslen(szName);

    if (s_nLevels > FIND_MAX_DEPTH || pTop->cchPath + 1 + cch > MAX_KEY_PATH - 1) return FALSE;
    if (RegOpenKeyEx(pTop->hKey, szName, 0, 0, &hKey) != ERROR_SUCCESS) return FALSE;
    s_szPath[pTop->cchPath] = '\\';
    memcpy(s_szPath + pTop->cchPath + 1, szName, (cch + 1) * sizeof(WCHAR));
    s_levels[s_nLevels].hKey = hKey;
    s_levels[s_nLevels].dwNextChild = 0;
    s_levels[s_nLevels].cchPath = pTop->cchPath + 1 + cch;
    s_nLevels++;
    return TRUE;
}

// Makes root iRoot the deepest level (level 1).
static void PushRoot(int iRoot) {
    s_iRoot = iRoot;
    s_szPath[0] = 0;
    s_levels[1].hKey = s_roots[iRoot];
    s_levels[1].dwNextChild = 0;
    s_levels[1].cchPath = 0;
    s_nLevels = 2;
}

// Index of the child of hKey called szName; for a name that is gone, the
// index of the first child after it (children come in name order).
static DWORD ChildIndex(HKEY hKey, LPCWSTR szName) {
    WCHAR szChild[MAX_KEY_PATH];
    DWORD dwIndex, cch;

    for (dwIndex = 0;; dwIndex++) {
        cch = MAX_KEY_PATH;
        if (RegEnumKeyEx(hKey, dwIndex, szChild, &cch, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        if (_wcsicmp(szChild, szName) >= 0) break;
    }
    return dwIndex;
}

// Reads value dwIndex of hKey into s_szName and s_pData, growing the data
// buffer when needed.
static LONG ReadValue(HKEY hKey, DWORD dwIndex, DWORD* pdwType, DWORD* pcbData) {
    DWORD cchName = FIND_NAME_CHARS;
    BYTE* p;
    LONG lResult;

    *pcbData = s_cbData;
    lResult = RegEnumValue(hKey, dwIndex, s_szName, &cchName, NULL, pdwType, s_pData, pcbData);
    if (lResult != ERROR_MORE_DATA) return lResult;
    p = (BYTE*)realloc(s_pData, *pcbData);
    if (!p) return ERROR_NOT_ENOUGH_MEMORY;
    s_pData = p;
    s_cbData = *pcbData;
    cchName = FIND_NAME_CHARS;
    return RegEnumValue(hKey, dwIndex, s_szName, &cchName, NULL, pdwType, s_pData, pcbData);
}

// Index of the value after szName in hKey (0 when it is gone).
static DWORD ValueIndexAfter(HKEY hKey, LPCWSTR szName) {
    DWORD dwIndex, cchName;

    for (dwIndex = 0;; dwIndex++) {
        cchName = FIND_NAME_CHARS;
        if (RegEnumValue(hKey, dwIndex, s_szName, &cchName, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) return 0;
        if (!_wcsicmp(s_szName, szName)) return dwIndex + 1;
    }
}

// Opens the levels down to the selected key and returns the value index to
// start at. The selected key itself is not matched: the search starts after
// it. FALSE when the search starts below "My Device" (nothing is open).
static BOOL OpenStart(DWORD* pdwFirstValue) {
    HTREEITEM hItem = TreeView_GetSelection(g_hTree);
    WCHAR szPath[MAX_KEY_PATH], szRow[MAX_KEY_PATH];
    WCHAR* pName;
    WCHAR* pEnd;
    HKEY hRoot = NULL;
    int i, iRow;
    BOOL bWhole = TRUE;

    *pdwFirstValue = 0;
    szPath[0] = 0;
    if (!hItem || !BuildKeyPath(hItem, &hRoot, szPath) || !hRoot) return FALSE;
    for (i = 0; i < 4 && s_roots[i] != hRoot; i++) {
    }
    if (i == 4) return FALSE;
    PushRoot(i);
    s_levels[0].dwNextChild = (DWORD)i + 1;

    // Down the path: at each level continue after the child on the path.
    for (pName = szPath; *pName == '\\'; pName = pEnd) {
        pName++;
        pEnd = wcschr(pName, '\\');
        if (pEnd) *pEnd = 0;
        s_levels[s_nLevels - 1].dwNextChild = ChildIndex(s_levels[s_nLevels - 1].hKey, pName);
        if (!PushKey(pName)) {
            // The key is gone (or cannot be opened): go on with what follows
            // it, including its values and sub-keys no more.
            bWhole = FALSE;
            break;
        }
        s_levels[s_nLevels - 2].dwNextChild++;
        if (!pEnd) break;
        *pEnd = '\\';
    }
    if (!bWhole) {
        *pdwFirstValue = (DWORD)-1;
        return TRUE;
    }
    iRow = ListView_GetNextItem(g_hList, -1, LVNI_SELECTED);
    if (iRow >= 0) {
        szRow[0] = 0;
        ListView_GetItemText(g_hList, iRow, 0, szRow, MAX_KEY_PATH);
        *pdwFirstValue = ValueIndexAfter(s_levels[s_nLevels - 1].hKey, szRow);
    }
    return TRUE;
}

// ---- progress ------------------------------------------------------------------

static INT_PTR CALLBACK FindProgressDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CenterDialog(hDlg);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                s_bCancel = TRUE;
                return TRUE;
            }
            break;
    }
    return FALSE;
}

// Handles what waits in the queue. Input for anything but the progress
// dialog is dropped (the tree and list must not change under the search);
// Escape stops the search wherever it was typed.
static void PumpFindMessages(void) {
    MSG msg;

    while (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage((int)msg.wParam);
            s_bCancel = TRUE;
            return;
        }
        if ((msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
            (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)) {
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) s_bCancel = TRUE;
            if (!s_hProgress || (msg.hwnd != s_hProgress && !IsChild(s_hProgress, msg.hwnd))) continue;
        }
        if (s_hProgress && IsDialogMessage(s_hProgress, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    if (!IsWindow(g_hWndMain)) s_bCancel = TRUE;
}

static void ShowProgress(void) {
    HRSRC hRes = FindResource(g_hInst, MAKEINTRESOURCE(IDD_FINDPROGRESS), RT_DIALOG);
    HGLOBAL hTemplate = hRes ? LoadResource(g_hInst, hRes) : NULL;

    if (!hTemplate) return;
    s_hProgress =
        CreateDialogIndirectParam(g_hInst, (LPCDLGTEMPLATE)LockResource(hTemplate), g_hWndMain, FindProgressDlgProc, 0);
    if (!s_hProgress) return;
    ShowWindow(s_hProgress, SW_SHOW);
    SetFocus(GetDlgItem(s_hProgress, IDCANCEL));
}

// Called once a key: shows and updates the progress and handles the queue
// every FIND_PUMP_MS. FALSE when the search is to stop.
static BOOL FindProgress(DWORD dwStart, DWORD* pdwLastPump) {
    WCHAR szFull[MAX_KEY_PATH + 24];
    DWORD dwNow = GetTickCount();

    // A short search never looks at the queue: what the user does meanwhile
    // waits until it is over.
    if (dwNow - *pdwLastPump < FIND_PUMP_MS || dwNow - dwStart < g_dwFindProgressDelay) return TRUE;
    *pdwLastPump = dwNow;
    if (!s_hProgress) ShowProgress();
    if (s_hProgress) {
        wcscpy(szFull, s_rootNames[s_iRoot]);
        wcscat(szFull, s_szPath);
        SetDlgItemText(s_hProgress, IDC_FIND_KEY, szFull);
    }
    PumpFindMessages();
    return !s_bCancel;
}

// ---- showing a hit ---------------------------------------------------------------

// Reads the children of hParent from the registry again. A tree view
// notifies only the first programmatic expansion of an item, so the item is
// reset first; a child count of 1 lets it open (the expansion clears it when
// the key has no sub-keys).
static void ReloadKeyItem(HTREEITEM hParent) {
    TVITEM tvi;

    TreeView_Expand(g_hTree, hParent, TVE_COLLAPSE | TVE_COLLAPSERESET);
    tvi.mask = TVIF_HANDLE | TVIF_CHILDREN;
    tvi.hItem = hParent;
    tvi.cChildren = 1;
    TreeView_SetItem(g_hTree, &tvi);
    TreeView_Expand(g_hTree, hParent, TVE_EXPAND);
}

// The child of hParent called szName, expanding hParent (and reading it
// again if the key was created after it was shown).
static HTREEITEM FindChildItem(HTREEITEM hParent, LPCWSTR szName) {
    WCHAR szText[MAX_KEY_PATH];
    TVITEM tvi;
    HTREEITEM hChild;
    int pass;

    for (pass = 0; pass < 2; pass++) {
        if (!(TreeView_GetItemState(g_hTree, hParent, TVIS_EXPANDED) & TVIS_EXPANDED))
            ReloadKeyItem(hParent);
        else if (pass)
            RefreshKeyItem(hParent);
        for (hChild = TreeView_GetChild(g_hTree, hParent); hChild; hChild = TreeView_GetNextSibling(g_hTree, hChild)) {
            tvi.mask = TVIF_HANDLE | TVIF_TEXT;
            tvi.hItem = hChild;
            tvi.pszText = szText;
            tvi.cchTextMax = MAX_KEY_PATH;
            szText[0] = 0;
            TreeView_GetItem(g_hTree, &tvi);
            if (!_wcsicmp(szText, szName)) return hChild;
        }
    }
    return NULL;
}

// Selects the key of the hit (root iRoot, path szPath) and, for a value,
// the row of szValue.
static void ShowHit(int iRoot, LPWSTR szPath, LPCWSTR szValue) {
    HTREEITEM hTop = TreeView_GetRoot(g_hTree);
    HTREEITEM hItem = TreeView_GetChild(g_hTree, hTop);
    WCHAR szRow[MAX_KEY_PATH];
    WCHAR* pName;
    WCHAR* pEnd;
    int i, iRow, nRows;

    TreeView_Expand(g_hTree, hTop, TVE_EXPAND);
    for (i = 0; i < iRoot && hItem; i++) hItem = TreeView_GetNextSibling(g_hTree, hItem);
    for (pName = szPath; hItem && *pName == '\\'; pName = pEnd) {
        pName++;
        pEnd = wcschr(pName, '\\');
        if (pEnd) *pEnd = 0;
        hItem = FindChildItem(hItem, pName);
        if (!pEnd) break;
        *pEnd = '\\';
    }
    if (!hItem) return;
    TreeView_SelectItem(g_hTree, hItem);
    TreeView_EnsureVisible(g_hTree, hItem);
    if (!szValue) {
        SetFocus(g_hTree);
        return;
    }
    nRows = ListView_GetItemCount(g_hList);
    for (iRow = 0; iRow < nRows; iRow++) {
        szRow[0] = 0;
        ListView_GetItemText(g_hList, iRow, 0, szRow, MAX_KEY_PATH);
        if (!_wcsicmp(szRow, szValue)) break;
    }
    SetFocus(g_hList);
    if (iRow == nRows) return;
    ListView_SetItemState(g_hList, iRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(g_hList, iRow);
    ListView_EnsureVisible(g_hList, iRow, FALSE);
}

// ---- the search ------------------------------------------------------------------

// Walks from the current selection to the next hit. Returns 1 with the hit's
// root, path and (for a value) name filled in, 0 at the end, -1 when
// cancelled or out of memory.
static int Walk(int* piRoot, LPWSTR szHitPath, LPWSTR szHitValue, BOOL* pbValue) {
    WCHAR szChild[MAX_KEY_PATH];
    DWORD dwValue = 0, dwType, cbData, cchChild, dwStart = GetTickCount();
    DWORD dwLastPump = dwStart - FIND_PUMP_MS;
    FINDLEVEL* pTop;
    LONG lResult;
    BOOL bValues = (g_dwFindFlags & (FIND_VALUES | FIND_DATA)) != 0;

    s_nLevels = 1;
    s_levels[0].hKey = NULL;
    s_levels[0].dwNextChild = 0;
    s_levels[0].cchPath = 0;
    if (!OpenStart(&dwValue)) dwValue = (DWORD)-1;

    for (;;) {
        pTop = &s_levels[s_nLevels - 1];
        // The values of the deepest key, from dwValue on.
        if (s_nLevels > 1 && bValues && dwValue != (DWORD)-1) {
            for (;; dwValue++) {
                lResult = ReadValue(pTop->hKey, dwValue, &dwType, &cbData);
                if (lResult == ERROR_NOT_ENOUGH_MEMORY) return -1;
                if (lResult == ERROR_MORE_DATA) continue;  // a name that does not fit
                if (lResult != ERROR_SUCCESS) break;
                // The list cannot show a name this long: nothing to select.
                if (wcslen(s_szName) >= MAX_KEY_PATH) continue;
                if (((g_dwFindFlags & FIND_VALUES) && MatchText(s_szName, (int)wcslen(s_szName))) ||
                    ((g_dwFindFlags & FIND_DATA) && MatchData(dwType, s_pData, cbData))) {
                    *piRoot = s_iRoot;
                    wcscpy(szHitPath, s_szPath);
                    lstrcpyn(szHitValue, s_szName, MAX_KEY_PATH);
                    *pbValue = TRUE;
                    return 1;
                }
            }
        }
        dwValue = (DWORD)-1;

        // The next key in the tree's order: the next child of the deepest
        // level, or the next child of a level above.
        if (!FindProgress(dwStart, &dwLastPump)) return -1;
        if (s_nLevels == 1) {
            if (pTop->dwNextChild >= 4) return 0;
            PushRoot((int)pTop->dwNextChild++);
            dwValue = 0;
            continue;
        }
        cchChild = MAX_KEY_PATH;
        lResult = RegEnumKeyEx(pTop->hKey, pTop->dwNextChild, szChild, &cchChild, NULL, NULL, NULL, NULL);
        if (lResult == ERROR_MORE_DATA) {
            pTop->dwNextChild++;  // a name the tree cannot show
            continue;
        }
        if (lResult != ERROR_SUCCESS) {
            // No more children: back to the parent.
            s_nLevels--;
            if (pTop->hKey != s_roots[s_iRoot]) RegCloseKey(pTop->hKey);
            s_szPath[s_levels[s_nLevels - 1].cchPath] = 0;
            continue;
        }
        pTop->dwNextChild++;
        if (!PushKey(szChild)) continue;
        if ((g_dwFindFlags & FIND_KEYS) && MatchText(szChild, (int)cchChild)) {
            *piRoot = s_iRoot;
            wcscpy(szHitPath, s_szPath);
            *pbValue = FALSE;
            return 1;
        }
        dwValue = 0;
    }
}

int SearchNext(void) {
    WCHAR szPath[MAX_KEY_PATH], szValue[MAX_KEY_PATH];
    int iRoot = 0, iResult, i;
    BOOL bValue = FALSE;

    if (!g_szFindText[0] || !(g_dwFindFlags & (FIND_KEYS | FIND_VALUES | FIND_DATA))) return -1;
    s_cchPattern = (int)wcslen(g_szFindText);
    for (i = 0; i <= s_cchPattern; i++) s_szPattern[i] = towlower(g_szFindText[i]);
    if (!s_pData) {
        s_cbData = MAX_VALUE_DATA;
        s_pData = (BYTE*)malloc(s_cbData);
        if (!s_pData) return -1;
    }
    s_bCancel = FALSE;
    s_hProgress = NULL;

    iResult = Walk(&iRoot, szPath, szValue, &bValue);
    CloseLevels();
    if (s_hProgress) {
        DestroyWindow(s_hProgress);
        s_hProgress = NULL;
    }
    if (iResult > 0) ShowHit(iRoot, szPath, bValue ? szValue : NULL);
    return iResult;
}

void FindNext(void) {
    WCHAR szTitle[100];

    if (SearchNext() == 0) {
        LoadString(g_hInst, IDS_APP_TITLE, szTitle, 100);
        MessageBox(g_hWndMain, TEXT("Finished searching the registry."), szTitle, MB_OK | MB_ICONINFORMATION);
    }
}

// ---- the Find dialog --------------------------------------------------------------

static const int s_findChecks[] = {IDC_FIND_KEYS, IDC_FIND_VALUES, IDC_FIND_DATA, IDC_FIND_WHOLE};
static const DWORD s_findFlags[] = {FIND_KEYS, FIND_VALUES, FIND_DATA, FIND_WHOLE};

// Find Next needs a text and something to look at.
static void UpdateFindButton(HWND hDlg) {
    BOOL bLook = IsDlgButtonChecked(hDlg, IDC_FIND_KEYS) || IsDlgButtonChecked(hDlg, IDC_FIND_VALUES) ||
                 IsDlgButtonChecked(hDlg, IDC_FIND_DATA);
    EnableWindow(GetDlgItem(hDlg, IDOK), bLook && GetWindowTextLength(GetDlgItem(hDlg, IDC_FIND_TEXT)) > 0);
}

INT_PTR CALLBACK FindDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    int i;

    switch (message) {
        case WM_INITDIALOG:
            CenterDialog(hDlg);
            SendDlgItemMessage(hDlg, IDC_FIND_TEXT, EM_LIMITTEXT, MAX_KEY_PATH - 1, 0);
            SetDlgItemText(hDlg, IDC_FIND_TEXT, g_szFindText);
            for (i = 0; i < 4; i++)
                CheckDlgButton(hDlg, s_findChecks[i], (g_dwFindFlags & s_findFlags[i]) ? BST_CHECKED : BST_UNCHECKED);
            UpdateFindButton(hDlg);
            SetFocus(GetDlgItem(hDlg, IDC_FIND_TEXT));
            SendDlgItemMessage(hDlg, IDC_FIND_TEXT, EM_SETSEL, 0, -1);
            return FALSE;  // the focus is set

        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    if (!IsWindowEnabled(GetDlgItem(hDlg, IDOK))) return TRUE;
                    GetDlgItemText(hDlg, IDC_FIND_TEXT, g_szFindText, MAX_KEY_PATH);
                    g_dwFindFlags = 0;
                    for (i = 0; i < 4; i++)
                        if (IsDlgButtonChecked(hDlg, s_findChecks[i])) g_dwFindFlags |= s_findFlags[i];
                    EndDialog(hDlg, IDOK);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(hDlg, IDCANCEL);
                    return TRUE;
                case IDC_FIND_TEXT:
                    if (HIWORD(wParam) == EN_CHANGE) UpdateFindButton(hDlg);
                    return TRUE;
                case IDC_FIND_KEYS:
                case IDC_FIND_VALUES:
                case IDC_FIND_DATA:
                    UpdateFindButton(hDlg);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

void FindCommand(WORD wId) {
    // Find Next before anything was looked for asks what to look for.
    if (wId == IDM_FIND || !g_szFindText[0]) {
        if (RunDialog(IDD_FIND, FindDlgProc) != IDOK) return;
    }
    FindNext();
}
