// The value list: one row per value of the selected key, with its name, a
// picture for its type and its data as text.
#include <stdlib.h>
#include <string.h>

#include "arbor.h"

HWND g_hList = NULL;

BOOL CreateValueList(HWND hWndParent, HINSTANCE hInstance) {
    RECT rc;
    HIMAGELIST hImages;
    LVCOLUMN lvc;

    GetClientRect(hWndParent, &rc);
    g_hList =
        CreateWindowEx(0, WC_LISTVIEW, TEXT(""),
                       WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                       rc.right / 3, g_cyCommandBar + 1, (2 * rc.right) / 3, rc.bottom - g_cyCommandBar - 1, hWndParent,
                       (HMENU)IDC_LIST, hInstance, NULL);
    if (!g_hList) return FALSE;

    hImages = CreateImages(hInstance);
    if (!hImages) return FALSE;
    ListView_SetImageList(g_hList, hImages, LVSIL_SMALL);

    lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    lvc.fmt = LVCFMT_LEFT;
    lvc.cx = (4 * rc.right) / 15;
    lvc.pszText = (LPWSTR)TEXT("Name");
    lvc.iSubItem = 0;
    ListView_InsertColumn(g_hList, 0, &lvc);
    lvc.cx = (2 * rc.right) / 5 - 1;
    lvc.pszText = (LPWSTR)TEXT("Data");
    lvc.iSubItem = 1;
    ListView_InsertColumn(g_hList, 1, &lvc);
    return TRUE;
}

void AddValueRow(int iRow, int iImage, LPCWSTR szName, LPCWSTR szText) {
    LVITEM lvi;

    lvi.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    lvi.iItem = iRow;
    lvi.iSubItem = 0;
    lvi.pszText = (LPWSTR)szName;
    lvi.iImage = iImage;
    lvi.lParam = iRow;
    ListView_InsertItem(g_hList, &lvi);
    ListView_SetItemText(g_hList, iRow, 1, (LPWSTR)szText);
}

// Copies the string at pData, up to its terminator but never past cbData
// bytes (stored strings need not be terminated) nor past the text buffer.
static void CopyString(const BYTE* pData, DWORD cbData, LPWSTR szText) {
    DWORD cch = cbData / sizeof(WCHAR);
    DWORD i;

    if (cch > MAX_VALUE_TEXT - 1) cch = MAX_VALUE_TEXT - 1;
    for (i = 0; i < cch; i++) {
        WCHAR ch = (WCHAR)(pData[2 * i] | (pData[2 * i + 1] << 8));
        if (!ch) break;
        szText[i] = ch;
    }
    szText[i] = 0;
}

int FormatValueData(DWORD dwType, const BYTE* pData, DWORD cbData, LPWSTR szText) {
    DWORD i, dw;
    int len, start;

    szText[0] = 0;
    switch (dwType) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            CopyString(pData, cbData, szText);
            return IMG_STRING;

        case REG_MULTI_SZ:
            // The first string of the list only.
            CopyString(pData, cbData, szText);
            return IMG_MULTISTRING;

        case REG_BINARY:
            // Three characters a byte; the text stops once it has passed 1018
            // characters, so at most 341 bytes show in 1023 characters.
            len = 0;
            for (i = 0; i < cbData; i++) {
                start = len;
                len += swprintf(szText + len, TEXT("%02X "), pData[i]);
                if (start > 1018) break;
            }
            return IMG_BINARY;

        case REG_DWORD:
            // A shorter value is read as far as it goes.
            dw = 0;
            for (i = 0; i < 4 && i < cbData; i++) dw |= (DWORD)pData[i] << (8 * i);
            swprintf(szText, TEXT("%u"), dw);
            return IMG_DWORD;

        default:
            swprintf(szText, TEXT("Unknown type: %x "), dwType);
            return -1;
    }
}

BOOL FillValueList(HKEY hRoot, LPCWSTR szPath) {
    HKEY hKey = hRoot;
    WCHAR szName[MAX_KEY_PATH];
    BYTE data[MAX_VALUE_DATA];
    WCHAR szText[MAX_VALUE_TEXT];
    DWORD cchName, cbData, dwType, dwIndex;
    BYTE* pBig;
    LONG lResult;
    int iRow = 0, iImage;

    // The tree selects its first item before the list exists.
    if (!g_hList) return FALSE;
    if (szPath[0] && RegOpenKeyEx(hRoot, szPath, 0, 0, &hKey) != ERROR_SUCCESS) return FALSE;

    ListView_DeleteAllItems(g_hList);
    if (!hRoot) return TRUE;  // "My Device" has no values

    memset(szName, 0, sizeof(szName));
    memset(data, 0, sizeof(data));
    for (dwIndex = 0;; dwIndex++) {
        cchName = MAX_KEY_PATH;
        cbData = MAX_VALUE_DATA;
        lResult = RegEnumValue(hKey, dwIndex, szName, &cchName, NULL, &dwType, data, &cbData);
        if (lResult == ERROR_MORE_DATA) {
            // Data longer than the buffer (cbData now tells its size): read
            // this value again into a buffer that holds it, so that neither
            // it nor the values after it go missing. A name too long for
            // the buffer fails again; that value is passed over.
            pBig = (BYTE*)malloc(cbData ? cbData : 1);
            if (!pBig) continue;
            cchName = MAX_KEY_PATH;
            lResult = RegEnumValue(hKey, dwIndex, szName, &cchName, NULL, &dwType, pBig, &cbData);
            if (lResult == ERROR_SUCCESS) {
                iImage = FormatValueData(dwType, pBig, cbData, szText);
                AddValueRow(iRow++, iImage, szName, szText);
            }
            free(pBig);
            if (lResult != ERROR_SUCCESS && lResult != ERROR_MORE_DATA) break;
        } else if (lResult == ERROR_SUCCESS) {
            iImage = FormatValueData(dwType, data, cbData, szText);
            AddValueRow(iRow++, iImage, szName, szText);
        } else {
            break;
        }
        memset(szName, 0, sizeof(szName));
        memset(data, 0, sizeof(data));
    }

    if (hKey != hRoot) RegCloseKey(hKey);
    ApplyValueSort();
    return TRUE;
}
