// The transparent label.
#include "tspstatic.h"

BEGIN_MESSAGE_MAP(CTSPStatic, CStatic)
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

CTSPStatic::CTSPStatic() : m_nBackgroundID(0) {}

void CTSPStatic::SetBackground(UINT nBackgroundID) {
    m_nBackgroundID = nBackgroundID;
}

BOOL CTSPStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CStatic::Create(lpszText, dwStyle | SS_CENTER, rect, pParentWnd, nID);
}

void CTSPStatic::PreSubclassWindow() {
    CStatic::PreSubclassWindow();
}

BOOL CTSPStatic::PreCreateWindow(CREATESTRUCT& cs) {
    return CStatic::PreCreateWindow(cs);
}

void CTSPStatic::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {}

BOOL CTSPStatic::OnEraseBkgnd(CDC* pDC) {
    CRect rc;
    GetWindowRect(&rc);
    CWnd* pParent = GetParent();
    if (pParent != NULL) pParent->ScreenToClient(&rc);

    // The background is loaded for each erase and freed again.
    CBitmap bmp;
    if (m_nBackgroundID != 0 && bmp.LoadBitmap((WORD)m_nBackgroundID)) {
        CDC dcMem;
        dcMem.CreateCompatibleDC(pDC);
        CBitmap* pOld = dcMem.SelectObject(&bmp);
        pDC->BitBlt(0, 0, rc.Width(), rc.Height(), &dcMem, rc.left, rc.top, SRCCOPY);
        dcMem.SelectObject(pOld);
    }
    return TRUE;
}

HBRUSH CTSPStatic::CtlColor(CDC* pDC, UINT nCtlColor) {
    // No brush: the parent's colours apply.
    return NULL;
}
