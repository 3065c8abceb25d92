// The common controls of the device: the progress bar, and the
// initialisation calls programs make before using the common controls.
#pragma once

#include "windows.h"

// The common controls are registered with the window system when a program
// starts: initialising them only reports success.
typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_DATE_CLASSES 0x00000100
#define ICC_COOL_CLASSES 0x00000400

inline void InitCommonControls() {}
inline BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) {
    return TRUE;
}

// ---- Status bar ---------------------------------------------------------------------

#define STATUSCLASSNAMEW u"msctls_statusbar32"
#define STATUSCLASSNAME STATUSCLASSNAMEW

#define CCS_TOP 0x00000001L
#define CCS_NOMOVEY 0x00000002L
#define CCS_BOTTOM 0x00000003L
#define CCS_NORESIZE 0x00000004L
#define CCS_NOPARENTALIGN 0x00000008L
#define SBARS_SIZEGRIP 0x0100

#define SB_SETTEXTW (WM_USER + 11)
#define SB_GETTEXTW (WM_USER + 13)
#define SB_GETTEXTLENGTHW (WM_USER + 12)
#define SB_SETTEXT SB_SETTEXTW
#define SB_GETTEXT SB_GETTEXTW
#define SB_GETTEXTLENGTH SB_GETTEXTLENGTHW
#define SB_SETPARTS (WM_USER + 4)
#define SB_GETPARTS (WM_USER + 6)
#define SB_GETBORDERS (WM_USER + 7)
#define SB_SETMINHEIGHT (WM_USER + 8)
#define SB_SIMPLE (WM_USER + 9)
#define SB_GETRECT (WM_USER + 10)
#define SB_ISSIMPLE (WM_USER + 14)

#define SB_SIMPLEID 0x00FF
#define SBT_NOBORDERS 0x0100
#define SBT_POPOUT 0x0200
#define SBT_RTLREADING 0x0400
#define SBT_NOTABPARSING 0x0800
#define SBT_OWNERDRAW 0x1000

// A status window at the bottom of `hwndParent` showing `lpszText`; it sizes
// itself to its parent whenever it is sent WM_SIZE (pass the parent's on).
HWND CreateStatusWindow(LONG style, LPCWSTR lpszText, HWND hwndParent, UINT wID);

// ---- Progress bar -------------------------------------------------------------------

#define PROGRESS_CLASSW u"msctls_progress32"
#define PROGRESS_CLASS PROGRESS_CLASSW

#define PBS_SMOOTH 0x01
#define PBS_VERTICAL 0x04

#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_DELTAPOS (WM_USER + 3)
#define PBM_SETSTEP (WM_USER + 4)
#define PBM_STEPIT (WM_USER + 5)
#define PBM_SETRANGE32 (WM_USER + 6)
#define PBM_GETRANGE (WM_USER + 7)
#define PBM_GETPOS (WM_USER + 8)

typedef struct {
    int iLow;
    int iHigh;
} PBRANGE, *PPBRANGE;

// ---- Image lists ----------------------------------------------------------------------

typedef struct _IMAGELIST* HIMAGELIST;

#define CLR_NONE 0xFFFFFFFFL
#define CLR_DEFAULT 0xFF000000L

#define ILC_MASK 0x0001
#define ILC_COLOR 0x0000
#define ILC_COLORDDB 0x00FE
#define ILC_COLOR4 0x0004
#define ILC_COLOR8 0x0008
#define ILC_COLOR16 0x0010
#define ILC_COLOR24 0x0018
#define ILC_COLOR32 0x0020

#define ILD_NORMAL 0x0000
#define ILD_TRANSPARENT 0x0001
#define ILD_BLEND25 0x0002
#define ILD_BLEND50 0x0004
#define ILD_MASK 0x0010
#define ILD_IMAGE 0x0020
#define ILD_SELECTED ILD_BLEND50
#define ILD_FOCUS ILD_BLEND25
#define ILD_BLEND ILD_BLEND50

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow);
BOOL ImageList_Destroy(HIMAGELIST himl);
int ImageList_GetImageCount(HIMAGELIST himl);
int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask);
int ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask);
BOOL ImageList_Remove(HIMAGELIST himl, int i);
#define ImageList_RemoveAll(himl) ImageList_Remove(himl, -1)
int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon);
#define ImageList_AddIcon(himl, hicon) ImageList_ReplaceIcon(himl, -1, hicon)
BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle);
BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, int dx, int dy, COLORREF rgbBk, COLORREF rgbFg,
                      UINT fStyle);
BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF clrBk);
COLORREF ImageList_GetBkColor(HIMAGELIST himl);

// ---- Notifications common to the controls --------------------------------------------

#define NM_FIRST (0U - 0U)
#define NM_OUTOFMEMORY (NM_FIRST - 1)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define NM_RETURN (NM_FIRST - 4)
#define NM_RCLICK (NM_FIRST - 5)
#define NM_RDBLCLK (NM_FIRST - 6)
#define NM_SETFOCUS (NM_FIRST - 7)
#define NM_KILLFOCUS (NM_FIRST - 8)

// ---- Tree view ------------------------------------------------------------------------

#define WC_TREEVIEWW u"SysTreeView32"
#define WC_TREEVIEW WC_TREEVIEWW

#define TVS_HASBUTTONS 0x0001
#define TVS_HASLINES 0x0002
#define TVS_LINESATROOT 0x0004
#define TVS_EDITLABELS 0x0008
#define TVS_DISABLEDRAGDROP 0x0010
#define TVS_SHOWSELALWAYS 0x0020
#define TVS_NOTOOLTIPS 0x0080
#define TVS_CHECKBOXES 0x0100
#define TVS_TRACKSELECT 0x0200
#define TVS_SINGLEEXPAND 0x0400
#define TVS_FULLROWSELECT 0x1000
#define TVS_NOSCROLL 0x2000
#define TVS_NONEVENHEIGHT 0x4000
#define TVS_NOHSCROLL 0x8000

typedef struct _TREEITEM* HTREEITEM;

#define TVI_ROOT ((HTREEITEM)(ULONG_PTR)-0x10000)
#define TVI_FIRST ((HTREEITEM)(ULONG_PTR)-0x0FFFF)
#define TVI_LAST ((HTREEITEM)(ULONG_PTR)-0x0FFFE)
#define TVI_SORT ((HTREEITEM)(ULONG_PTR)-0x0FFFD)

#define TVIF_TEXT 0x0001
#define TVIF_IMAGE 0x0002
#define TVIF_PARAM 0x0004
#define TVIF_STATE 0x0008
#define TVIF_HANDLE 0x0010
#define TVIF_SELECTEDIMAGE 0x0020
#define TVIF_CHILDREN 0x0040

#define TVIS_FOCUSED 0x0001
#define TVIS_SELECTED 0x0002
#define TVIS_CUT 0x0004
#define TVIS_DROPHILITED 0x0008
#define TVIS_BOLD 0x0010
#define TVIS_EXPANDED 0x0020
#define TVIS_EXPANDEDONCE 0x0040
#define TVIS_EXPANDPARTIAL 0x0080
#define TVIS_OVERLAYMASK 0x0F00
#define TVIS_STATEIMAGEMASK 0xF000
#define TVIS_USERMASK 0xF000

#define I_CHILDRENCALLBACK (-1)
#define I_IMAGECALLBACK (-1)
#define LPSTR_TEXTCALLBACKW ((LPWSTR)(LONG_PTR)-1)
#define LPSTR_TEXTCALLBACK LPSTR_TEXTCALLBACKW

typedef struct tagTVITEMW {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
} TVITEMW, *LPTVITEMW, TVITEM, *LPTVITEM, TV_ITEM;

typedef struct tagTVINSERTSTRUCTW {
    HTREEITEM hParent;
    HTREEITEM hInsertAfter;
    TVITEMW item;
} TVINSERTSTRUCTW, *LPTVINSERTSTRUCTW, TVINSERTSTRUCT, *LPTVINSERTSTRUCT, TV_INSERTSTRUCT;

#define TV_FIRST 0x1100
#define TVM_DELETEITEM (TV_FIRST + 1)
#define TVM_EXPAND (TV_FIRST + 2)
#define TVM_GETITEMRECT (TV_FIRST + 4)
#define TVM_GETCOUNT (TV_FIRST + 5)
#define TVM_GETINDENT (TV_FIRST + 6)
#define TVM_SETINDENT (TV_FIRST + 7)
#define TVM_GETIMAGELIST (TV_FIRST + 8)
#define TVM_SETIMAGELIST (TV_FIRST + 9)
#define TVM_GETNEXTITEM (TV_FIRST + 10)
#define TVM_SELECTITEM (TV_FIRST + 11)
#define TVM_GETVISIBLECOUNT (TV_FIRST + 16)
#define TVM_HITTEST (TV_FIRST + 17)
#define TVM_ENSUREVISIBLE (TV_FIRST + 20)
#define TVM_SETITEMHEIGHT (TV_FIRST + 27)
#define TVM_GETITEMHEIGHT (TV_FIRST + 28)
#define TVM_SETBKCOLOR (TV_FIRST + 29)
#define TVM_SETTEXTCOLOR (TV_FIRST + 30)
#define TVM_GETBKCOLOR (TV_FIRST + 31)
#define TVM_GETTEXTCOLOR (TV_FIRST + 32)
#define TVM_GETITEMSTATE (TV_FIRST + 39)
#define TVM_INSERTITEMW (TV_FIRST + 50)
#define TVM_GETITEMW (TV_FIRST + 62)
#define TVM_SETITEMW (TV_FIRST + 63)
#define TVM_INSERTITEM TVM_INSERTITEMW
#define TVM_GETITEM TVM_GETITEMW
#define TVM_SETITEM TVM_SETITEMW

#define TVE_COLLAPSE 0x0001
#define TVE_EXPAND 0x0002
#define TVE_TOGGLE 0x0003
#define TVE_ACTIONMASK 0x0003
#define TVE_EXPANDPARTIAL 0x4000
#define TVE_COLLAPSERESET 0x8000

#define TVGN_ROOT 0x0000
#define TVGN_NEXT 0x0001
#define TVGN_PREVIOUS 0x0002
#define TVGN_PARENT 0x0003
#define TVGN_CHILD 0x0004
#define TVGN_FIRSTVISIBLE 0x0005
#define TVGN_NEXTVISIBLE 0x0006
#define TVGN_PREVIOUSVISIBLE 0x0007
#define TVGN_DROPHILITE 0x0008
#define TVGN_CARET 0x0009
#define TVGN_LASTVISIBLE 0x000A

#define TVSIL_NORMAL 0
#define TVSIL_STATE 2

#define TVC_UNKNOWN 0x0000
#define TVC_BYMOUSE 0x0001
#define TVC_BYKEYBOARD 0x0002

typedef struct tagTVHITTESTINFO {
    POINT pt;
    UINT flags;
    HTREEITEM hItem;
} TVHITTESTINFO, *LPTVHITTESTINFO, TV_HITTESTINFO;

#define TVHT_NOWHERE 0x0001
#define TVHT_ONITEMICON 0x0002
#define TVHT_ONITEMLABEL 0x0004
#define TVHT_ONITEMINDENT 0x0008
#define TVHT_ONITEMBUTTON 0x0010
#define TVHT_ONITEMRIGHT 0x0020
#define TVHT_ONITEMSTATEICON 0x0040
#define TVHT_ONITEM (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)
#define TVHT_ABOVE 0x0100
#define TVHT_BELOW 0x0200
#define TVHT_TORIGHT 0x0400
#define TVHT_TOLEFT 0x0800

typedef struct tagNMTREEVIEWW {
    NMHDR hdr;
    UINT action;
    TVITEMW itemOld;
    TVITEMW itemNew;
    POINT ptDrag;
} NMTREEVIEWW, *LPNMTREEVIEWW, NMTREEVIEW, *LPNMTREEVIEW, NM_TREEVIEW;

typedef struct tagTVKEYDOWN {
    NMHDR hdr;
    WORD wVKey;
    UINT flags;
} NMTVKEYDOWN, *LPNMTVKEYDOWN;

#define TVN_FIRST (0U - 400U)
#define TVN_KEYDOWN (TVN_FIRST - 12)
#define TVN_SELCHANGINGW (TVN_FIRST - 50)
#define TVN_SELCHANGEDW (TVN_FIRST - 51)
#define TVN_ITEMEXPANDINGW (TVN_FIRST - 54)
#define TVN_ITEMEXPANDEDW (TVN_FIRST - 55)
#define TVN_DELETEITEMW (TVN_FIRST - 58)
#define TVN_SELCHANGING TVN_SELCHANGINGW
#define TVN_SELCHANGED TVN_SELCHANGEDW
#define TVN_ITEMEXPANDING TVN_ITEMEXPANDINGW
#define TVN_ITEMEXPANDED TVN_ITEMEXPANDEDW
#define TVN_DELETEITEM TVN_DELETEITEMW

// The TreeView_ helpers are inline functions rather than macros, so that a
// program may ignore their results without a compiler warning.
inline HTREEITEM TreeView_InsertItem(HWND hwnd, const TVINSERTSTRUCTW* lpis) {
    return (HTREEITEM)SendMessage(hwnd, TVM_INSERTITEM, 0, (LPARAM)lpis);
}
inline BOOL TreeView_DeleteItem(HWND hwnd, HTREEITEM hitem) {
    return (BOOL)SendMessage(hwnd, TVM_DELETEITEM, 0, (LPARAM)hitem);
}
inline BOOL TreeView_DeleteAllItems(HWND hwnd) {
    return (BOOL)SendMessage(hwnd, TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT);
}
inline BOOL TreeView_Expand(HWND hwnd, HTREEITEM hitem, UINT code) {
    return (BOOL)SendMessage(hwnd, TVM_EXPAND, (WPARAM)code, (LPARAM)hitem);
}
inline UINT TreeView_GetCount(HWND hwnd) {
    return (UINT)SendMessage(hwnd, TVM_GETCOUNT, 0, 0);
}
inline HIMAGELIST TreeView_SetImageList(HWND hwnd, HIMAGELIST himl, int iImage) {
    return (HIMAGELIST)SendMessage(hwnd, TVM_SETIMAGELIST, (WPARAM)iImage, (LPARAM)himl);
}
inline HIMAGELIST TreeView_GetImageList(HWND hwnd, int iImage) {
    return (HIMAGELIST)SendMessage(hwnd, TVM_GETIMAGELIST, (WPARAM)iImage, 0);
}
inline HTREEITEM TreeView_GetNextItem(HWND hwnd, HTREEITEM hitem, UINT code) {
    return (HTREEITEM)SendMessage(hwnd, TVM_GETNEXTITEM, (WPARAM)code, (LPARAM)hitem);
}
#define TreeView_GetChild(hwnd, hitem) TreeView_GetNextItem(hwnd, hitem, TVGN_CHILD)
#define TreeView_GetNextSibling(hwnd, hitem) TreeView_GetNextItem(hwnd, hitem, TVGN_NEXT)
#define TreeView_GetPrevSibling(hwnd, hitem) TreeView_GetNextItem(hwnd, hitem, TVGN_PREVIOUS)
#define TreeView_GetParent(hwnd, hitem) TreeView_GetNextItem(hwnd, hitem, TVGN_PARENT)
#define TreeView_GetFirstVisible(hwnd) TreeView_GetNextItem(hwnd, NULL, TVGN_FIRSTVISIBLE)
#define TreeView_GetNextVisible(hwnd, hitem) TreeView_GetNextItem(hwnd, hitem, TVGN_NEXTVISIBLE)
#define TreeView_GetPrevVisible(hwnd, hitem) TreeView_GetNextItem(hwnd, hitem, TVGN_PREVIOUSVISIBLE)
#define TreeView_GetLastVisible(hwnd) TreeView_GetNextItem(hwnd, NULL, TVGN_LASTVISIBLE)
#define TreeView_GetSelection(hwnd) TreeView_GetNextItem(hwnd, NULL, TVGN_CARET)
#define TreeView_GetRoot(hwnd) TreeView_GetNextItem(hwnd, NULL, TVGN_ROOT)
inline BOOL TreeView_Select(HWND hwnd, HTREEITEM hitem, UINT code) {
    return (BOOL)SendMessage(hwnd, TVM_SELECTITEM, (WPARAM)code, (LPARAM)hitem);
}
#define TreeView_SelectItem(hwnd, hitem) TreeView_Select(hwnd, hitem, TVGN_CARET)
#define TreeView_SelectSetFirstVisible(hwnd, hitem) TreeView_Select(hwnd, hitem, TVGN_FIRSTVISIBLE)
inline BOOL TreeView_GetItem(HWND hwnd, TVITEMW* pitem) {
    return (BOOL)SendMessage(hwnd, TVM_GETITEM, 0, (LPARAM)pitem);
}
inline BOOL TreeView_SetItem(HWND hwnd, const TVITEMW* pitem) {
    return (BOOL)SendMessage(hwnd, TVM_SETITEM, 0, (LPARAM)pitem);
}
inline BOOL TreeView_GetItemRect(HWND hwnd, HTREEITEM hitem, RECT* prc, BOOL code) {
    if (!prc) return FALSE;
    // The item goes in, in the rectangle's first bytes; the rectangle comes out.
    __builtin_memcpy(prc, &hitem, sizeof hitem);
    return (BOOL)SendMessage(hwnd, TVM_GETITEMRECT, (WPARAM)code, (LPARAM)prc);
}
inline HTREEITEM TreeView_HitTest(HWND hwnd, TVHITTESTINFO* lpht) {
    return (HTREEITEM)SendMessage(hwnd, TVM_HITTEST, 0, (LPARAM)lpht);
}
inline BOOL TreeView_EnsureVisible(HWND hwnd, HTREEITEM hitem) {
    return (BOOL)SendMessage(hwnd, TVM_ENSUREVISIBLE, 0, (LPARAM)hitem);
}
inline UINT TreeView_GetVisibleCount(HWND hwnd) {
    return (UINT)SendMessage(hwnd, TVM_GETVISIBLECOUNT, 0, 0);
}
inline UINT TreeView_GetItemState(HWND hwnd, HTREEITEM hti, UINT mask) {
    return (UINT)SendMessage(hwnd, TVM_GETITEMSTATE, (WPARAM)hti, (LPARAM)mask);
}
inline int TreeView_GetItemHeight(HWND hwnd) {
    return (int)SendMessage(hwnd, TVM_GETITEMHEIGHT, 0, 0);
}

// ---- Header and list view -------------------------------------------------------------

#define WC_HEADERW u"SysHeader32"
#define WC_HEADER WC_HEADERW

#define HDS_HORZ 0x0000
#define HDS_BUTTONS 0x0002
#define HDS_HIDDEN 0x0008

typedef struct _HD_ITEMW {
    UINT mask;
    int cxy;
    LPWSTR pszText;
    HBITMAP hbm;
    int cchTextMax;
    int fmt;
    LPARAM lParam;
    int iImage;
    int iOrder;
} HDITEMW, *LPHDITEMW, HDITEM, *LPHDITEM, HD_ITEM;

#define HDI_WIDTH 0x0001
#define HDI_HEIGHT HDI_WIDTH
#define HDI_TEXT 0x0002
#define HDI_FORMAT 0x0004
#define HDI_LPARAM 0x0008
#define HDI_BITMAP 0x0010
#define HDI_IMAGE 0x0020
#define HDI_ORDER 0x0080

#define HDF_LEFT 0x0000
#define HDF_RIGHT 0x0001
#define HDF_CENTER 0x0002
#define HDF_JUSTIFYMASK 0x0003
#define HDF_IMAGE 0x0800
#define HDF_BITMAP 0x2000
#define HDF_STRING 0x4000
#define HDF_OWNERDRAW 0x8000
#define HDF_SORTDOWN 0x0200
#define HDF_SORTUP 0x0400

typedef struct _HD_LAYOUT {
    RECT* prc;
    WINDOWPOS* pwpos;
} HDLAYOUT, *LPHDLAYOUT, HD_LAYOUT;

typedef struct _HD_HITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
} HDHITTESTINFO, *LPHDHITTESTINFO, HD_HITTESTINFO;

#define HHT_NOWHERE 0x0001
#define HHT_ONHEADER 0x0002
#define HHT_ONDIVIDER 0x0004

#define HDM_FIRST 0x1200
#define HDM_GETITEMCOUNT (HDM_FIRST + 0)
#define HDM_DELETEITEM (HDM_FIRST + 2)
#define HDM_LAYOUT (HDM_FIRST + 5)
#define HDM_HITTEST (HDM_FIRST + 6)
#define HDM_GETITEMRECT (HDM_FIRST + 7)
#define HDM_INSERTITEMW (HDM_FIRST + 10)
#define HDM_GETITEMW (HDM_FIRST + 11)
#define HDM_SETITEMW (HDM_FIRST + 12)
#define HDM_INSERTITEM HDM_INSERTITEMW
#define HDM_GETITEM HDM_GETITEMW
#define HDM_SETITEM HDM_SETITEMW

typedef struct tagNMHEADERW {
    NMHDR hdr;
    int iItem;
    int iButton;
    HDITEMW* pitem;
} NMHEADERW, *LPNMHEADERW, NMHEADER, *LPNMHEADER;

#define HDN_FIRST (0U - 300U)
#define HDN_ITEMCHANGEDW (HDN_FIRST - 21)
#define HDN_ITEMCLICKW (HDN_FIRST - 22)
#define HDN_ITEMCHANGED HDN_ITEMCHANGEDW
#define HDN_ITEMCLICK HDN_ITEMCLICKW

// The wrappers are functions so that a call whose result is not used
// compiles without a warning.
inline int Header_GetItemCount(HWND hwndHD) {
    return (int)SendMessage(hwndHD, HDM_GETITEMCOUNT, 0, 0L);
}
inline int Header_InsertItem(HWND hwndHD, int i, const HD_ITEM* phdi) {
    return (int)SendMessage(hwndHD, HDM_INSERTITEM, (WPARAM)i, (LPARAM)phdi);
}
inline BOOL Header_GetItemRect(HWND hwnd, int iItem, RECT* lprc) {
    return (BOOL)SendMessage(hwnd, HDM_GETITEMRECT, (WPARAM)iItem, (LPARAM)lprc);
}
inline BOOL Header_Layout(HWND hwndHD, HD_LAYOUT* playout) {
    return (BOOL)SendMessage(hwndHD, HDM_LAYOUT, 0, (LPARAM)playout);
}
inline BOOL Header_GetItem(HWND hwndHD, int i, HD_ITEM* phdi) {
    return (BOOL)SendMessage(hwndHD, HDM_GETITEM, (WPARAM)i, (LPARAM)phdi);
}
inline BOOL Header_SetItem(HWND hwndHD, int i, const HD_ITEM* phdi) {
    return (BOOL)SendMessage(hwndHD, HDM_SETITEM, (WPARAM)i, (LPARAM)phdi);
}

#define WC_LISTVIEWW u"SysListView32"
#define WC_LISTVIEW WC_LISTVIEWW

#define LVS_ICON 0x0000
#define LVS_REPORT 0x0001
#define LVS_SMALLICON 0x0002
#define LVS_LIST 0x0003
#define LVS_TYPEMASK 0x0003
#define LVS_SINGLESEL 0x0004
#define LVS_SHOWSELALWAYS 0x0008
#define LVS_SORTASCENDING 0x0010
#define LVS_SORTDESCENDING 0x0020
#define LVS_SHAREIMAGELISTS 0x0040
#define LVS_NOLABELWRAP 0x0080
#define LVS_AUTOARRANGE 0x0100
#define LVS_EDITLABELS 0x0200
#define LVS_NOSCROLL 0x2000
#define LVS_NOCOLUMNHEADER 0x4000
#define LVS_NOSORTHEADER 0x8000

#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_PARAM 0x0004
#define LVIF_STATE 0x0008
#define LVIF_INDENT 0x0010
#define LVIF_NORECOMPUTE 0x0800

#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#define LVIS_CUT 0x0004
#define LVIS_DROPHILITED 0x0008

#define I_IMAGENONE (-2)

typedef struct tagLVITEMW {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
} LVITEMW, *LPLVITEMW, LVITEM, *LPLVITEM, LV_ITEM;

typedef struct tagLVCOLUMNW {
    UINT mask;
    int fmt;
    int cx;
    LPWSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
} LVCOLUMNW, *LPLVCOLUMNW, LVCOLUMN, *LPLVCOLUMN, LV_COLUMN;

#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCF_IMAGE 0x0010
#define LVCF_ORDER 0x0020

#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVCFMT_JUSTIFYMASK 0x0003

#define LVSCW_AUTOSIZE (-1)
#define LVSCW_AUTOSIZE_USEHEADER (-2)

#define LVSIL_NORMAL 0
#define LVSIL_SMALL 1
#define LVSIL_STATE 2

#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002

#define LVIR_BOUNDS 0
#define LVIR_ICON 1
#define LVIR_LABEL 2
#define LVIR_SELECTBOUNDS 3

typedef struct tagLVHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
    int iSubItem;
} LVHITTESTINFO, *LPLVHITTESTINFO, LV_HITTESTINFO;

#define LVHT_NOWHERE 0x0001
#define LVHT_ONITEMICON 0x0002
#define LVHT_ONITEMLABEL 0x0004
#define LVHT_ONITEMSTATEICON 0x0008
#define LVHT_ONITEM (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON)
#define LVHT_ABOVE 0x0008
#define LVHT_BELOW 0x0010
#define LVHT_TORIGHT 0x0020
#define LVHT_TOLEFT 0x0040

#define LVM_FIRST 0x1000
#define LVM_GETBKCOLOR (LVM_FIRST + 0)
#define LVM_SETBKCOLOR (LVM_FIRST + 1)
#define LVM_GETIMAGELIST (LVM_FIRST + 2)
#define LVM_SETIMAGELIST (LVM_FIRST + 3)
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_GETITEMRECT (LVM_FIRST + 14)
#define LVM_HITTEST (LVM_FIRST + 18)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_SCROLL (LVM_FIRST + 20)
#define LVM_REDRAWITEMS (LVM_FIRST + 21)
#define LVM_DELETECOLUMN (LVM_FIRST + 28)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_SETCOLUMNWIDTH (LVM_FIRST + 30)
#define LVM_GETHEADER (LVM_FIRST + 31)
#define LVM_GETTOPINDEX (LVM_FIRST + 39)
#define LVM_GETCOUNTPERPAGE (LVM_FIRST + 40)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_SORTITEMS (LVM_FIRST + 48)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_GETSELECTIONMARK (LVM_FIRST + 66)
#define LVM_SETSELECTIONMARK (LVM_FIRST + 67)
#define LVM_GETITEMW (LVM_FIRST + 75)
#define LVM_SETITEMW (LVM_FIRST + 76)
#define LVM_INSERTITEMW (LVM_FIRST + 77)
#define LVM_SORTITEMSEX (LVM_FIRST + 81)
#define LVM_GETCOLUMNW (LVM_FIRST + 95)
#define LVM_SETCOLUMNW (LVM_FIRST + 96)
#define LVM_INSERTCOLUMNW (LVM_FIRST + 97)
#define LVM_GETITEMTEXTW (LVM_FIRST + 115)
#define LVM_SETITEMTEXTW (LVM_FIRST + 116)
#define LVM_GETITEM LVM_GETITEMW
#define LVM_SETITEM LVM_SETITEMW
#define LVM_INSERTITEM LVM_INSERTITEMW
#define LVM_GETCOLUMN LVM_GETCOLUMNW
#define LVM_SETCOLUMN LVM_SETCOLUMNW
#define LVM_INSERTCOLUMN LVM_INSERTCOLUMNW
#define LVM_GETITEMTEXT LVM_GETITEMTEXTW
#define LVM_SETITEMTEXT LVM_SETITEMTEXTW

typedef struct tagNMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
} NMLISTVIEW, *LPNMLISTVIEW, NM_LISTVIEW;

typedef struct tagNMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
} NMITEMACTIVATE, *LPNMITEMACTIVATE;

#define LVN_FIRST (0U - 100U)
#define LVN_ITEMCHANGING (LVN_FIRST - 0)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)
#define LVN_INSERTITEM (LVN_FIRST - 2)
#define LVN_DELETEITEM (LVN_FIRST - 3)
#define LVN_DELETEALLITEMS (LVN_FIRST - 4)
#define LVN_COLUMNCLICK (LVN_FIRST - 8)
#define LVN_ITEMACTIVATE (LVN_FIRST - 14)

inline HIMAGELIST ListView_SetImageList(HWND hwnd, HIMAGELIST himl, int iImageList) {
    return (HIMAGELIST)SendMessage(hwnd, LVM_SETIMAGELIST, (WPARAM)iImageList, (LPARAM)himl);
}
inline HIMAGELIST ListView_GetImageList(HWND hwnd, int iImageList) {
    return (HIMAGELIST)SendMessage(hwnd, LVM_GETIMAGELIST, (WPARAM)iImageList, 0L);
}
inline int ListView_GetItemCount(HWND hwnd) {
    return (int)SendMessage(hwnd, LVM_GETITEMCOUNT, 0, 0L);
}
inline BOOL ListView_GetItem(HWND hwnd, LV_ITEM* pitem) {
    return (BOOL)SendMessage(hwnd, LVM_GETITEM, 0, (LPARAM)pitem);
}
inline BOOL ListView_SetItem(HWND hwnd, const LV_ITEM* pitem) {
    return (BOOL)SendMessage(hwnd, LVM_SETITEM, 0, (LPARAM)pitem);
}
inline int ListView_InsertItem(HWND hwnd, const LV_ITEM* pitem) {
    return (int)SendMessage(hwnd, LVM_INSERTITEM, 0, (LPARAM)pitem);
}
inline BOOL ListView_DeleteItem(HWND hwnd, int i) {
    return (BOOL)SendMessage(hwnd, LVM_DELETEITEM, (WPARAM)i, 0L);
}
inline BOOL ListView_DeleteAllItems(HWND hwnd) {
    return (BOOL)SendMessage(hwnd, LVM_DELETEALLITEMS, 0, 0L);
}
inline int ListView_GetNextItem(HWND hwnd, int i, UINT flags) {
    return (int)SendMessage(hwnd, LVM_GETNEXTITEM, (WPARAM)i, MAKELPARAM(flags, 0));
}
inline BOOL ListView_GetItemRect(HWND hwnd, int i, RECT* prc, int code) {
    if (prc) prc->left = code;
    return (BOOL)SendMessage(hwnd, LVM_GETITEMRECT, (WPARAM)i, (LPARAM)prc);
}
inline int ListView_HitTest(HWND hwnd, LV_HITTESTINFO* pinfo) {
    return (int)SendMessage(hwnd, LVM_HITTEST, 0, (LPARAM)pinfo);
}
inline BOOL ListView_EnsureVisible(HWND hwnd, int i, BOOL fPartialOK) {
    return (BOOL)SendMessage(hwnd, LVM_ENSUREVISIBLE, (WPARAM)i, MAKELPARAM(fPartialOK, 0));
}
inline int ListView_InsertColumn(HWND hwnd, int iCol, const LV_COLUMN* pcol) {
    return (int)SendMessage(hwnd, LVM_INSERTCOLUMN, (WPARAM)iCol, (LPARAM)pcol);
}
inline int ListView_GetColumnWidth(HWND hwnd, int iCol) {
    return (int)SendMessage(hwnd, LVM_GETCOLUMNWIDTH, (WPARAM)iCol, 0);
}
inline BOOL ListView_SetColumnWidth(HWND hwnd, int iCol, int cx) {
    return (BOOL)SendMessage(hwnd, LVM_SETCOLUMNWIDTH, (WPARAM)iCol, MAKELPARAM(cx, 0));
}
inline HWND ListView_GetHeader(HWND hwnd) {
    return (HWND)SendMessage(hwnd, LVM_GETHEADER, 0, 0L);
}
inline int ListView_GetTopIndex(HWND hwnd) {
    return (int)SendMessage(hwnd, LVM_GETTOPINDEX, 0, 0);
}
inline int ListView_GetCountPerPage(HWND hwnd) {
    return (int)SendMessage(hwnd, LVM_GETCOUNTPERPAGE, 0, 0);
}
#define ListView_SetItemState(hwnd, i, data, mask)                                    \
    do {                                                                              \
        LV_ITEM _lvi_;                                                                \
        _lvi_.stateMask = (mask);                                                     \
        _lvi_.state = (data);                                                         \
        SendMessage((hwnd), LVM_SETITEMSTATE, (WPARAM)(i), (LPARAM)(LV_ITEM*)&_lvi_); \
    } while (0)
inline UINT ListView_GetItemState(HWND hwnd, int i, UINT mask) {
    return (UINT)SendMessage(hwnd, LVM_GETITEMSTATE, (WPARAM)i, (LPARAM)mask);
}
inline UINT ListView_GetSelectedCount(HWND hwnd) {
    return (UINT)SendMessage(hwnd, LVM_GETSELECTEDCOUNT, 0, 0L);
}
// Sorts the rows with a comparison: LVM_SORTITEMS passes it the two rows'
// lParam values, LVM_SORTITEMSEX their indexes as they were when the sort
// began; it answers < 0, 0 or > 0 as the first row goes before, with or
// after the second.
typedef int(CALLBACK* PFNLVCOMPARE)(LPARAM, LPARAM, LPARAM);
inline BOOL ListView_SortItems(HWND hwnd, PFNLVCOMPARE pfnCompare, LPARAM lPrm) {
    return (BOOL)SendMessage(hwnd, LVM_SORTITEMS, (WPARAM)lPrm, (LPARAM)pfnCompare);
}
inline BOOL ListView_SortItemsEx(HWND hwnd, PFNLVCOMPARE pfnCompare, LPARAM lPrm) {
    return (BOOL)SendMessage(hwnd, LVM_SORTITEMSEX, (WPARAM)lPrm, (LPARAM)pfnCompare);
}
inline int ListView_GetSelectionMark(HWND hwnd) {
    return (int)SendMessage(hwnd, LVM_GETSELECTIONMARK, 0, 0);
}
inline int ListView_SetSelectionMark(HWND hwnd, int i) {
    return (int)SendMessage(hwnd, LVM_SETSELECTIONMARK, 0, (LPARAM)i);
}
#define ListView_GetItemText(hwndLV, i, iSubItem_, pszText_, cchTextMax_)              \
    do {                                                                               \
        LV_ITEM _lvi_;                                                                 \
        _lvi_.iSubItem = (iSubItem_);                                                  \
        _lvi_.cchTextMax = (cchTextMax_);                                              \
        _lvi_.pszText = (pszText_);                                                    \
        SendMessage((hwndLV), LVM_GETITEMTEXT, (WPARAM)(i), (LPARAM)(LV_ITEM*)&_lvi_); \
    } while (0)
#define ListView_SetItemText(hwndLV, i, iSubItem_, pszText_)                           \
    do {                                                                               \
        LV_ITEM _lvi_;                                                                 \
        _lvi_.iSubItem = (iSubItem_);                                                  \
        _lvi_.pszText = (pszText_);                                                    \
        SendMessage((hwndLV), LVM_SETITEMTEXT, (WPARAM)(i), (LPARAM)(LV_ITEM*)&_lvi_); \
    } while (0)

// ---- Command bar ----------------------------------------------------------------------

// A command bar is a strip across the top of its parent's client area that
// carries the menu bar and, at its right end, the adornments (the close box).

#define CMDBAR_HELP 0x0001
#define CMDBAR_OK 0x0002

HWND CommandBar_Create(HINSTANCE hInst, HWND hwndParent, int idCmdBar);
BOOL CommandBar_InsertMenubar(HWND hwndCB, HINSTANCE hInst, WORD idMenu, WORD iButton);
BOOL CommandBar_InsertMenubarEx(HWND hwndCB, HINSTANCE hInst, LPWSTR pszMenu, WORD iButton);
BOOL CommandBar_AddAdornments(HWND hwndCB, DWORD dwFlags, DWORD dwReserved);
int CommandBar_Height(HWND hwndCB);
BOOL CommandBar_Show(HWND hwndCB, BOOL fShow);
BOOL CommandBar_IsVisible(HWND hwndCB);
HMENU CommandBar_GetMenu(HWND hwndCB, WORD iButton);
BOOL CommandBar_DrawMenuBar(HWND hwndCB, WORD iButton);
#define CommandBar_Destroy(hwndCB) DestroyWindow(hwndCB)
