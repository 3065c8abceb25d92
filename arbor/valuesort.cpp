// Sorting the value list: a tap on a column header sorts the rows by that
// column, a second tap on the same header reverses the order. The order stays
// for the keys selected afterwards; until a header is tapped the rows come in
// the registry's order. The header itself keeps the order: the sorting
// column shows an up or down mark.
#include "arbor.h"

#define SORT_DOWN 0x100

// The sorting column (-1: none) and its direction, from the header's marks.
static int GetValueSort(BOOL* pbDown) {
    HWND hHeader = ListView_GetHeader(g_hList);
    HDITEM hdi;
    int i;

    for (i = 0; i < 2; i++) {
        hdi.mask = HDI_FORMAT;
        if (!Header_GetItem(hHeader, i, &hdi)) continue;
        if (hdi.fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
            *pbDown = (hdi.fmt & HDF_SORTDOWN) != 0;
            return i;
        }
    }
    *pbDown = FALSE;
    return -1;
}

// TRUE when the text is a decimal number (as DWORD data shows), with its
// value.
static BOOL IsNumber(LPCWSTR sz, unsigned long long* pValue) {
    unsigned long long v = 0;

    if (!*sz) return FALSE;
    for (; *sz; sz++) {
        if (*sz < '0' || *sz > '9' || v > 1844674407370955161ull) return FALSE;
        v = v * 10 + (*sz - '0');
    }
    *pValue = v;
    return TRUE;
}

// Rows are compared by the column's text, ignoring case; numbers by their
// value; equal texts by name.
static int CALLBACK CompareRows(LPARAM iRow1, LPARAM iRow2, LPARAM lParamSort) {
    WCHAR sz1[MAX_VALUE_TEXT], sz2[MAX_VALUE_TEXT];
    unsigned long long v1, v2;
    int iColumn = (int)(lParamSort & 0xFF), iResult;

    sz1[0] = sz2[0] = 0;
    ListView_GetItemText(g_hList, (int)iRow1, iColumn, sz1, MAX_VALUE_TEXT);
    ListView_GetItemText(g_hList, (int)iRow2, iColumn, sz2, MAX_VALUE_TEXT);
    if (IsNumber(sz1, &v1) && IsNumber(sz2, &v2))
        iResult = v1 < v2 ? -1 : v1 > v2 ? 1 : 0;
    else
        iResult = _wcsicmp(sz1, sz2);
    if (!iResult && iColumn != 0) {
        ListView_GetItemText(g_hList, (int)iRow1, 0, sz1, MAX_VALUE_TEXT);
        ListView_GetItemText(g_hList, (int)iRow2, 0, sz2, MAX_VALUE_TEXT);
        iResult = _wcsicmp(sz1, sz2);
    }
    return (lParamSort & SORT_DOWN) ? -iResult : iResult;
}

// Sorts by iColumn and marks it in the header.
static void SortBy(int iColumn, BOOL bDown) {
    HWND hHeader = ListView_GetHeader(g_hList);
    HDITEM hdi;
    int i;

    ListView_SortItemsEx(g_hList, CompareRows, iColumn | (bDown ? SORT_DOWN : 0));
    for (i = 0; i < 2; i++) {
        hdi.mask = HDI_FORMAT;
        if (!Header_GetItem(hHeader, i, &hdi)) continue;
        hdi.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == iColumn) hdi.fmt |= bDown ? HDF_SORTDOWN : HDF_SORTUP;
        Header_SetItem(hHeader, i, &hdi);
    }
}

void ApplyValueSort(void) {
    BOOL bDown;
    int iColumn;

    if (!g_hList) return;
    iColumn = GetValueSort(&bDown);
    if (iColumn >= 0) SortBy(iColumn, bDown);
}

void SortValueList(int iColumn) {
    BOOL bDown;

    if (iColumn < 0 || iColumn > 1) return;
    // The same column again: the other way round.
    SortBy(iColumn, GetValueSort(&bDown) == iColumn && !bDown);
}
