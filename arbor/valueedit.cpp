// The value editors: Edit > Modify on the selected row, and Edit > New >
// Multi-String, Expandable String and QWORD Value. One dialog per kind of
// data: a string on one line, a multi-string one string a line, a DWORD or
// QWORD in hexadecimal or decimal, and the bytes of every other type in
// hexadecimal. The dialog stores the value itself when OK is pressed, so
// that input the registry cannot take keeps the dialog open with its
// reason; the row then shows what the registry holds.
#include <stdlib.h>
#include <string.h>

#include "arbor.h"

// The value being edited, handed from the command to its dialog.
static HTREEITEM g_hEditKey;  // item of the value's key
static BOOL g_bEditNew;       // a new value: the name is typed
static DWORD g_dwEditType;    // the value's type
static WCHAR g_szEditName[MAX_KEY_PATH];
static BYTE* g_pEditData;  // the data when the dialog opens (malloc)
static DWORD g_cbEditData;
static BOOL g_bEditHex;  // the number editor's base

static void ShowError(HWND hDlg, LPCWSTR szText) {
    MessageBox(hDlg, szText, TEXT("ERROR"), MB_OK);
}

// Reads the value szName of the key of hItem into a new buffer (free it).
// ERROR_SUCCESS, or the registry's answer: ERROR_FILE_NOT_FOUND when the
// value is gone, ERROR_PATH_NOT_FOUND when the key is.
static LONG ReadValue(HTREEITEM hItem, LPCWSTR szName, DWORD* pdwType, BYTE** ppData, DWORD* pcbData) {
    HKEY hRoot, hKey;
    DWORD cb = 0;
    LONG lResult;
    int tries;

    *ppData = NULL;
    *pcbData = 0;
    if (!OpenItemKey(hItem, &hRoot, &hKey)) return ERROR_PATH_NOT_FOUND;
    // Another program may change the value between the two reads.
    for (tries = 0; tries < 4; tries++) {
        lResult = RegQueryValueEx(hKey, szName, NULL, pdwType, NULL, &cb);
        if (lResult != ERROR_SUCCESS) break;
        free(*ppData);
        *ppData = (BYTE*)malloc(cb ? cb : 1);
        if (!*ppData) {
            lResult = ERROR_NOT_ENOUGH_MEMORY;
            break;
        }
        lResult = RegQueryValueEx(hKey, szName, NULL, pdwType, *ppData, &cb);
        if (lResult != ERROR_MORE_DATA) break;
    }
    CloseItemKey(hRoot, hKey);
    if (lResult != ERROR_SUCCESS) {
        free(*ppData);
        *ppData = NULL;
        return lResult;
    }
    *pcbData = cb;
    return ERROR_SUCCESS;
}

// Shows in row iRow (added at the end when iRow is -1) what the registry
// holds for szName. The row goes when the value is gone.
static void ShowStoredValue(int iRow, LPCWSTR szName) {
    DWORD dwType, cb;
    BYTE* pData;
    WCHAR szText[MAX_VALUE_TEXT];
    LVITEM lvi;
    int iImage;

    if (ReadValue(g_hEditKey, szName, &dwType, &pData, &cb) != ERROR_SUCCESS) {
        if (iRow >= 0) ListView_DeleteItem(g_hList, iRow);
        return;
    }
    iImage = FormatValueData(dwType, pData, cb, szText);
    free(pData);
    if (iRow < 0) {
        iRow = ListView_GetItemCount(g_hList);
        AddValueRow(iRow, iImage, szName, szText);
    } else {
        lvi.mask = LVIF_IMAGE;
        lvi.iItem = iRow;
        lvi.iSubItem = 0;
        lvi.iImage = iImage;
        ListView_SetItem(g_hList, &lvi);
        ListView_SetItemText(g_hList, iRow, 1, szText);
    }
    ListView_SetItemState(g_hList, iRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(g_hList, iRow, FALSE);
}

// ---- Common parts of the four dialogs ------------------------------------------

// Centres the dialog, names the value and puts the data text in place. An
// existing value's name cannot be changed here: the data is focused with its
// whole text selected. A new value starts at its name.
static void InitEditor(HWND hDlg, LPCWSTR szCaption, LPCWSTR szData) {
    HWND hData = GetDlgItem(hDlg, IDC_EDIT_DATA);

    CenterDialog(hDlg);
    SetWindowText(hDlg, szCaption);
    SetDlgItemText(hDlg, IDC_EDIT_NAME, g_szEditName);
    // Only the registry limits the data.
    SendMessage(hData, EM_LIMITTEXT, 0, 0);
    SetWindowText(hData, szData);
    if (g_bEditNew) {
        SetFocus(GetDlgItem(hDlg, IDC_EDIT_NAME));
    } else {
        SendDlgItemMessage(hDlg, IDC_EDIT_NAME, EM_SETREADONLY, TRUE, 0);
        SetFocus(hData);
        SendMessage(hData, EM_SETSEL, 0, -1);
    }
}

// The text of a control in a new buffer (free it), or NULL. The buffer
// has room for one more character after the terminator.
static LPWSTR GetControlText(HWND hDlg, int id, int* pcch) {
    HWND hCtl = GetDlgItem(hDlg, id);
    int cch = GetWindowTextLength(hCtl);
    LPWSTR sz = (LPWSTR)malloc(((size_t)cch + 2) * sizeof(WCHAR));

    if (!sz) return NULL;
    sz[0] = 0;
    GetWindowText(hCtl, sz, cch + 1);
    if (pcch) *pcch = (int)wcslen(sz);
    return sz;
}

// Takes the name typed for a new value into g_szEditName: at most
// MAX_NAME_CHARS characters (empty: the key's unnamed value), and not the
// name of a value the key has already.
static BOOL TakeNewName(HWND hDlg, HKEY hKey) {
    WCHAR szText[MAX_KEY_PATH + 80];

    if (GetWindowTextLength(GetDlgItem(hDlg, IDC_EDIT_NAME)) > MAX_NAME_CHARS) {
        ShowError(hDlg, TEXT("Value name is too long (at most 255 characters)"));
        return FALSE;
    }
    GetDlgItemText(hDlg, IDC_EDIT_NAME, g_szEditName, MAX_KEY_PATH);
    if (RegQueryValueEx(hKey, g_szEditName, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
        if (g_szEditName[0])
            swprintf(szText, TEXT("A value named \"%s\" already exists in this key"), g_szEditName);
        else
            wcscpy(szText, TEXT("This key has an unnamed value already"));
        ShowError(hDlg, szText);
        return FALSE;
    }
    return TRUE;
}

// Stores the data under the value's name and ends the dialog with IDOK;
// what the registry refuses is said and the dialog stays open. When the key
// itself has gone, the dialog ends with IDABORT.
static void StoreEdited(HWND hDlg, DWORD dwType, const BYTE* pData, DWORD cbData) {
    HKEY hRoot, hKey;
    LONG lResult;
    WCHAR szText[80];

    if (cbData > MAX_VALUE_BYTES) {
        ShowError(hDlg, TEXT("The data is too long: a value holds at most 1048576 bytes"));
        return;
    }
    if (!OpenItemKey(g_hEditKey, &hRoot, &hKey)) {
        ShowError(hDlg, TEXT("The key has been deleted: nothing was stored"));
        EndDialog(hDlg, IDABORT);
        return;
    }
    if (g_bEditNew && !TakeNewName(hDlg, hKey)) {
        CloseItemKey(hRoot, hKey);
        return;
    }
    lResult = RegSetValueEx(hKey, g_szEditName, 0, dwType, pData, cbData);
    CloseItemKey(hRoot, hKey);
    if (lResult != ERROR_SUCCESS) {
        swprintf(szText, TEXT("The registry did not store the value (error %u)"), (unsigned)lResult);
        ShowError(hDlg, szText);
        return;
    }
    EndDialog(hDlg, IDOK);
}

// WM_COMMAND of every editor but OK, which each reads its own way.
static BOOL OnEditorCancel(HWND hDlg, WPARAM wParam) {
    if (LOWORD(wParam) != IDCANCEL) return FALSE;
    EndDialog(hDlg, IDCANCEL);
    return TRUE;
}

// ---- Strings -------------------------------------------------------------------

// The string of the data, up to its terminator or the data's end (free it).
static LPWSTR DataToString(void) {
    DWORD cch = g_cbEditData / sizeof(WCHAR), i;
    LPWSTR sz = (LPWSTR)malloc(((size_t)cch + 1) * sizeof(WCHAR));

    if (!sz) return NULL;
    for (i = 0; i < cch; i++) {
        sz[i] = (WCHAR)(g_pEditData[2 * i] | (g_pEditData[2 * i + 1] << 8));
        if (!sz[i]) break;
    }
    sz[i] = 0;
    return sz;
}

INT_PTR CALLBACK EditStringDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    LPWSTR sz;
    int cch;

    switch (message) {
        case WM_INITDIALOG:
            sz = DataToString();
            InitEditor(hDlg,
                       g_bEditNew
                           ? TEXT("New Expandable String Value")
                           : (g_dwEditType == REG_EXPAND_SZ ? TEXT("Edit Expandable String") : TEXT("Edit String")),
                       sz ? sz : TEXT(""));
            free(sz);
            return FALSE;

        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                sz = GetControlText(hDlg, IDC_EDIT_DATA, &cch);
                if (sz) StoreEdited(hDlg, g_dwEditType, (const BYTE*)sz, ((DWORD)cch + 1) * sizeof(WCHAR));
                free(sz);
                return TRUE;
            }
            return OnEditorCancel(hDlg, wParam);
    }
    return FALSE;
}

// ---- Multi-strings -----------------------------------------------------------------

// The strings of the data, one a line (free it). Empty strings inside the
// list show as empty lines, so that nothing is lost unseen.
static LPWSTR DataToLines(void) {
    DWORD cch = g_cbEditData / sizeof(WCHAR), i, n = 0;
    LPWSTR sz = (LPWSTR)malloc(((size_t)cch * 2 + 1) * sizeof(WCHAR));
    WCHAR ch;

    if (!sz) return NULL;
    // The terminators at the end close the list; they are no strings.
    while (cch && !(g_pEditData[2 * cch - 2] | g_pEditData[2 * cch - 1])) cch--;
    for (i = 0; i < cch; i++) {
        ch = (WCHAR)(g_pEditData[2 * i] | (g_pEditData[2 * i + 1] << 8));
        if (ch) {
            sz[n++] = ch;
        } else {
            sz[n++] = TEXT('\r');
            sz[n++] = TEXT('\n');
        }
    }
    sz[n] = 0;
    return sz;
}

// Turns the lines of szText into the strings of a multi-string, in place
// (the buffer holds one character more than the text and its terminator):
// each line ends with a terminator, and one more ends the list. A line break
// at the very end opens no line. FALSE, with the number of the first empty
// line in *piEmpty, when a line is empty; *pcb is the size in bytes.
static BOOL LinesToMultiString(LPWSTR szText, DWORD* pcb, int* piEmpty) {
    WCHAR* pSrc = szText;
    WCHAR* pDst = szText;
    WCHAR* pLine;
    int iLine = 1;

    while (*pSrc) {
        pLine = pDst;
        while (*pSrc && *pSrc != TEXT('\r') && *pSrc != TEXT('\n')) *pDst++ = *pSrc++;
        if (pDst == pLine) {
            *piEmpty = iLine;
            return FALSE;
        }
        // Past the line break before the terminator goes where it began.
        if (*pSrc == TEXT('\r')) pSrc++;
        if (*pSrc == TEXT('\n')) pSrc++;
        *pDst++ = 0;
        iLine++;
    }
    *pDst++ = 0;
    *pcb = (DWORD)(pDst - szText) * sizeof(WCHAR);
    return TRUE;
}

INT_PTR CALLBACK EditMultiStringDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    LPWSTR sz;
    DWORD cb;
    int iEmpty;
    WCHAR szText[100];

    switch (message) {
        case WM_INITDIALOG:
            sz = DataToLines();
            InitEditor(hDlg, g_bEditNew ? TEXT("New Multi-String Value") : TEXT("Edit Multi-String"),
                       sz ? sz : TEXT(""));
            free(sz);
            return FALSE;

        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                sz = GetControlText(hDlg, IDC_EDIT_DATA, NULL);
                if (!sz) return TRUE;
                if (LinesToMultiString(sz, &cb, &iEmpty)) {
                    StoreEdited(hDlg, REG_MULTI_SZ, (const BYTE*)sz, cb);
                } else {
                    swprintf(szText, TEXT("Line %d is empty: a multi-string can not hold an empty string"), iEmpty);
                    ShowError(hDlg, szText);
                }
                free(sz);
                return TRUE;
            }
            return OnEditorCancel(hDlg, wParam);
    }
    return FALSE;
}

// ---- DWORD and QWORD ---------------------------------------------------------------

#define NUMBER_OK 0
#define NUMBER_INVALID 1
#define NUMBER_TOO_LARGE 2

// Reads an unsigned number: blanks around it, hexadecimal digits when bHex
// or after "0x", else decimal ones; nothing else. NUMBER_TOO_LARGE beyond
// qwMax.
static int ParseNumber(LPCWSTR sz, BOOL bHex, ULONGLONG qwMax, ULONGLONG* pqw) {
    ULONGLONG qw = 0;
    UINT uDigit;
    int cDigits = 0;
    BOOL bTooLarge = FALSE;

    while (iswspace(*sz)) sz++;
    if (sz[0] == TEXT('0') && (sz[1] == TEXT('x') || sz[1] == TEXT('X'))) {
        bHex = TRUE;
        sz += 2;
    }
    for (; *sz && !iswspace(*sz); sz++, cDigits++) {
        if (*sz >= TEXT('0') && *sz <= TEXT('9'))
            uDigit = (UINT)(*sz - TEXT('0'));
        else if (bHex && *sz >= TEXT('a') && *sz <= TEXT('f'))
            uDigit = (UINT)(*sz - TEXT('a') + 10);
        else if (bHex && *sz >= TEXT('A') && *sz <= TEXT('F'))
            uDigit = (UINT)(*sz - TEXT('A') + 10);
        else
            return NUMBER_INVALID;
        if (qw > (qwMax - uDigit) / (bHex ? 16 : 10))
            bTooLarge = TRUE;
        else
            qw = qw * (bHex ? 16 : 10) + uDigit;
    }
    while (iswspace(*sz)) sz++;
    if (!cDigits || *sz) return NUMBER_INVALID;
    if (bTooLarge) return NUMBER_TOO_LARGE;
    *pqw = qw;
    return NUMBER_OK;
}

static ULONGLONG NumberMax(void) {
    return g_dwEditType == REG_QWORD ? 0xFFFFFFFFFFFFFFFFull : 0xFFFFFFFFull;
}

static void FormatNumber(ULONGLONG qw, BOOL bHex, LPWSTR szText) {
    swprintf(szText, bHex ? TEXT("%llx") : TEXT("%llu"), qw);
}

INT_PTR CALLBACK EditNumberDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    WCHAR szText[100];
    WCHAR szMessage[160];
    ULONGLONG qw = 0;
    BYTE data[8];
    DWORD i, cb = g_dwEditType == REG_QWORD ? 8 : 4;
    BOOL bHex;

    switch (message) {
        case WM_INITDIALOG:
            // Hexadecimal first; a shorter value is read as far as it goes.
            g_bEditHex = TRUE;
            for (i = 0; i < cb && i < g_cbEditData; i++) qw |= (ULONGLONG)g_pEditData[i] << (8 * i);
            FormatNumber(qw, g_bEditHex, szText);
            CheckRadioButton(hDlg, IDC_EDIT_HEX, IDC_EDIT_DECIMAL, g_bEditHex ? IDC_EDIT_HEX : IDC_EDIT_DECIMAL);
            if (g_dwEditType == REG_QWORD)
                InitEditor(hDlg, g_bEditNew ? TEXT("New QWORD Value") : TEXT("Edit QWORD Value"), szText);
            else
                InitEditor(hDlg, TEXT("Edit DWORD Value"), szText);
            return FALSE;

        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_EDIT_HEX:
                case IDC_EDIT_DECIMAL:
                    // The number typed follows the base, when it is one.
                    bHex = LOWORD(wParam) == IDC_EDIT_HEX;
                    if (bHex == g_bEditHex) return TRUE;
                    GetDlgItemText(hDlg, IDC_EDIT_DATA, szText, 100);
                    if (GetWindowTextLength(GetDlgItem(hDlg, IDC_EDIT_DATA)) < 100 &&
                        ParseNumber(szText, g_bEditHex, NumberMax(), &qw) == NUMBER_OK) {
                        FormatNumber(qw, bHex, szText);
                        SetDlgItemText(hDlg, IDC_EDIT_DATA, szText);
                    }
                    g_bEditHex = bHex;
                    return TRUE;

                case IDOK: {
                    LPWSTR sz = GetControlText(hDlg, IDC_EDIT_DATA, NULL);
                    int iResult;

                    if (!sz) return TRUE;
                    iResult = ParseNumber(sz, g_bEditHex, NumberMax(), &qw);
                    free(sz);
                    if (iResult == NUMBER_OK) {
                        for (i = 0; i < cb; i++) data[i] = (BYTE)(qw >> (8 * i));
                        StoreEdited(hDlg, g_dwEditType, data, cb);
                        return TRUE;
                    }
                    if (iResult == NUMBER_TOO_LARGE)
                        swprintf(szMessage, TEXT("The number is too large: a %s value holds 0 to %s"),
                                 g_dwEditType == REG_QWORD ? TEXT("QWORD") : TEXT("DWORD"),
                                 g_dwEditType == REG_QWORD ? TEXT("18446744073709551615 (0xffffffffffffffff)")
                                                           : TEXT("4294967295 (0xffffffff)"));
                    else
                        swprintf(szMessage, TEXT("The data is not a %s number"),
                                 g_bEditHex ? TEXT("hexadecimal") : TEXT("decimal"));
                    ShowError(hDlg, szMessage);
                    return TRUE;
                }
            }
            return OnEditorCancel(hDlg, wParam);
    }
    return FALSE;
}

// ---- Bytes -----------------------------------------------------------------------

#define BYTES_A_LINE 16

static const WCHAR s_szHexDigits[] = TEXT("0123456789ABCDEF");

// The data as hexadecimal bytes, BYTES_A_LINE a line (free it).
static LPWSTR DataToHex(void) {
    // Two digits and a blank a byte, and a second character for every
    // line break.
    LPWSTR sz = (LPWSTR)malloc(((size_t)g_cbEditData * 3 + g_cbEditData / BYTES_A_LINE + 1) * sizeof(WCHAR));
    WCHAR* p = sz;
    DWORD i;

    if (!sz) return NULL;
    for (i = 0; i < g_cbEditData; i++) {
        if (i) {
            if (i % BYTES_A_LINE) {
                *p++ = TEXT(' ');
            } else {
                *p++ = TEXT('\r');
                *p++ = TEXT('\n');
            }
        }
        *p++ = s_szHexDigits[g_pEditData[i] >> 4];
        *p++ = s_szHexDigits[g_pEditData[i] & 15];
    }
    *p = 0;
    return sz;
}

static int HexDigit(WCHAR ch) {
    if (ch >= TEXT('0') && ch <= TEXT('9')) return ch - TEXT('0');
    if (ch >= TEXT('a') && ch <= TEXT('f')) return ch - TEXT('a') + 10;
    if (ch >= TEXT('A') && ch <= TEXT('F')) return ch - TEXT('A') + 10;
    return -1;
}

// Reads hexadecimal bytes as New Binary Value does: blanks (and here line
// breaks and tabs) are left out, then every two digits are a byte and a
// lone last digit is a byte of its own. The bytes are written over the
// text's own memory. Any other character is refused: FALSE, with its
// position (from 1) in *piBad.
static BOOL HexToBytes(LPWSTR szText, BYTE** ppData, DWORD* pcb, int* piBad) {
    BYTE* pData = (BYTE*)szText;
    DWORD cDigits = 0;
    int i, iDigit;

    for (i = 0; szText[i]; i++) {
        if (szText[i] == TEXT(' ') || szText[i] == TEXT('\r') || szText[i] == TEXT('\n') || szText[i] == TEXT('\t'))
            continue;
        iDigit = HexDigit(szText[i]);
        if (iDigit < 0) {
            *piBad = i + 1;
            return FALSE;
        }
        // Byte n is written once digit 2n has been read, never ahead of
        // the characters still to read.
        if (cDigits % 2)
            pData[cDigits / 2] = (BYTE)(pData[cDigits / 2] << 4 | iDigit);
        else
            pData[cDigits / 2] = (BYTE)iDigit;
        cDigits++;
    }
    *ppData = pData;
    *pcb = (cDigits + 1) / 2;
    return TRUE;
}

INT_PTR CALLBACK EditBinaryDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    LPWSTR sz;
    BYTE* pData;
    DWORD cb;
    int iBad;
    WCHAR szText[120];

    switch (message) {
        case WM_INITDIALOG:
            sz = DataToHex();
            if (g_dwEditType == REG_BINARY)
                wcscpy(szText, TEXT("Edit Binary Value"));
            else
                swprintf(szText, TEXT("Edit Value of Type %u"), (unsigned)g_dwEditType);
            InitEditor(hDlg, szText, sz ? sz : TEXT(""));
            free(sz);
            return FALSE;

        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                sz = GetControlText(hDlg, IDC_EDIT_DATA, NULL);
                if (!sz) return TRUE;
                if (HexToBytes(sz, &pData, &cb, &iBad)) {
                    StoreEdited(hDlg, g_dwEditType, pData, cb);
                } else {
                    swprintf(szText, TEXT("Character %d is not a hexadecimal digit"), iBad);
                    ShowError(hDlg, szText);
                }
                free(sz);
                return TRUE;
            }
            return OnEditorCancel(hDlg, wParam);
    }
    return FALSE;
}

// ---- Commands --------------------------------------------------------------------

// Runs the editor of g_dwEditType on g_hEditKey; IDOK when it stored.
static INT_PTR RunEditor(void) {
    INT_PTR iResult;

    switch (g_dwEditType) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            iResult = RunDialog(IDD_EDITSTRING, EditStringDlgProc);
            break;
        case REG_MULTI_SZ:
            iResult = RunDialog(IDD_EDITMULTISTRING, EditMultiStringDlgProc);
            break;
        case REG_DWORD:
        case REG_QWORD:
            iResult = RunDialog(IDD_EDITNUMBER, EditNumberDlgProc);
            break;
        default:
            iResult = RunDialog(IDD_EDITBINARY, EditBinaryDlgProc);
            break;
    }
    free(g_pEditData);
    g_pEditData = NULL;
    g_cbEditData = 0;
    if (iResult == IDABORT) ForgetVanishedKey(g_hEditKey);
    return iResult;
}

// The selected key, when values can be made or changed in it.
static HTREEITEM ValueKeyItem(void) {
    HTREEITEM hItem = TreeView_GetSelection(g_hTree);
    WCHAR szPath[MAX_KEY_PATH];
    HKEY hRoot = NULL;

    szPath[0] = 0;
    if (!hItem || hItem == TreeView_GetRoot(g_hTree) || !BuildKeyPath(hItem, &hRoot, szPath)) return NULL;
    return hItem;
}

void ModifySelectedValue(void) {
    int iRow = GetSelectedRow();
    LONG lResult;

    g_hEditKey = ValueKeyItem();
    if (!g_hEditKey || iRow < 0) return;
    g_szEditName[0] = 0;
    ListView_GetItemText(g_hList, iRow, 0, g_szEditName, MAX_KEY_PATH);
    lResult = ReadValue(g_hEditKey, g_szEditName, &g_dwEditType, &g_pEditData, &g_cbEditData);
    if (lResult == ERROR_PATH_NOT_FOUND) {
        // The key went meanwhile: the views follow the registry.
        ForgetVanishedKey(g_hEditKey);
        return;
    }
    if (lResult == ERROR_FILE_NOT_FOUND) {
        ListView_DeleteItem(g_hList, iRow);
        return;
    }
    if (lResult != ERROR_SUCCESS) return;
    g_bEditNew = FALSE;
    if (RunEditor() == IDOK) ShowStoredValue(iRow, g_szEditName);
}

void NewTypedValue(DWORD dwType) {
    g_hEditKey = ValueKeyItem();
    if (!g_hEditKey) return;
    g_bEditNew = TRUE;
    g_dwEditType = dwType;
    g_szEditName[0] = 0;
    g_pEditData = NULL;
    g_cbEditData = 0;
    if (RunEditor() == IDOK) ShowStoredValue(-1, g_szEditName);
}

void ForgetVanishedKey(HTREEITEM hItem) {
    ListView_DeleteAllItems(g_hList);
    // Nothing is selected afterwards, so no other key's values stand in
    // for the ones that went.
    if (TreeView_GetSelection(g_hTree) == hItem) TreeView_SelectItem(g_hTree, NULL);
    TreeView_DeleteItem(g_hTree, hItem);
}

void ForgetKeyIfGone(HTREEITEM hItem, HKEY hRoot, LPCWSTR szPath) {
    HKEY hKey;
    LONG lResult;

    if (!szPath[0]) return;  // a root is always there
    lResult = RegOpenKeyEx(hRoot, szPath, 0, 0, &hKey);
    if (lResult == ERROR_SUCCESS)
        RegCloseKey(hKey);
    else if (lResult == ERROR_FILE_NOT_FOUND || lResult == ERROR_PATH_NOT_FOUND)
        ForgetVanishedKey(hItem);
}
