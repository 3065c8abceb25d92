// File › Export... and File › Import...: registry text files (.reg) through
// the file dialog. Export writes the selected key with everything below it
// (from "My Device", the whole registry); import applies a file as a whole or
// not at all, then shows what changed.
#include <commdlg.h>
#include <regfileapi.h>
#include <string.h>

#include "arbor.h"

#define REG_FILTER TEXT("Registration Files (*.reg)\0*.reg\0All Files (*.*)\0*.*\0")
#define ERROR_TEXT_CHARS 512

static void ShowFileError(LPCWSTR szWhat, LPCWSTR szFile, LPCWSTR szError) {
    WCHAR szText[MAX_PATH + ERROR_TEXT_CHARS + 64];
    WCHAR szTitle[100];

    _snwprintf(szText, MAX_PATH + ERROR_TEXT_CHARS + 63, TEXT("%s %s failed:\n%s"), szWhat, szFile, szError);
    szText[MAX_PATH + ERROR_TEXT_CHARS + 63] = 0;
    LoadString(g_hInst, IDS_APP_TITLE, szTitle, 100);
    MessageBox(g_hWndMain, szText, szTitle, MB_OK | MB_ICONERROR);
}

void ExportSelectedKey(void) {
    HTREEITEM hItem = TreeView_GetSelection(g_hTree);
    WCHAR szPath[MAX_KEY_PATH], szFile[MAX_PATH], szError[ERROR_TEXT_CHARS];
    WCHAR szText[MAX_KEY_PATH];
    OPENFILENAME ofn;
    HKEY hRoot = NULL;
    TVITEM tvi;

    szPath[0] = 0;
    if (!hItem || !BuildKeyPath(hItem, &hRoot, szPath)) return;

    // The file is named after the key.
    tvi.mask = TVIF_HANDLE | TVIF_TEXT;
    tvi.hItem = hItem;
    tvi.pszText = szText;
    tvi.cchTextMax = MAX_KEY_PATH;
    szText[0] = 0;
    TreeView_GetItem(g_hTree, &tvi);
    lstrcpyn(szFile, hRoot ? szText : TEXT("Registry"), MAX_PATH - 4);
    wcscat(szFile, TEXT(".reg"));

    memset(&ofn, 0, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = g_hWndMain;
    ofn.lpstrFilter = REG_FILTER;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = TEXT("Export Registry File");
    ofn.lpstrDefExt = TEXT("reg");
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileName(&ofn)) return;

    if (RegExportKeyToFile(hRoot, szPath, szFile, szError, ERROR_TEXT_CHARS) != ERROR_SUCCESS)
        ShowFileError(TEXT("Export to"), szFile, szError);
}

void ImportRegistryFile(void) {
    WCHAR szFile[MAX_PATH], szError[ERROR_TEXT_CHARS], szText[MAX_PATH + 64], szTitle[100];
    OPENFILENAME ofn;

    szFile[0] = 0;
    memset(&ofn, 0, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = g_hWndMain;
    ofn.lpstrFilter = REG_FILTER;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = TEXT("Import Registry File");
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileName(&ofn)) return;

    // Room is left for the last line of the message.
    if (RegImportFile(szFile, szError, ERROR_TEXT_CHARS - 32) != ERROR_SUCCESS) {
        // Nothing of the file was applied: the views stay as they are.
        wcscat(szError, TEXT("\nNothing was imported."));
        ShowFileError(TEXT("Import of"), szFile, szError);
        return;
    }
    RefreshViews();
    _snwprintf(szText, MAX_PATH + 63, TEXT("%s\nIts keys and values have been imported."), szFile);
    szText[MAX_PATH + 63] = 0;
    LoadString(g_hInst, IDS_APP_TITLE, szTitle, 100);
    MessageBox(g_hWndMain, szText, szTitle, MB_OK | MB_ICONINFORMATION);
}
