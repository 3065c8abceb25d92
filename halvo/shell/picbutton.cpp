// The picture button.
#include "picbutton.h"

BEGIN_MESSAGE_MAP(CPicButton, CButton)
ON_WM_CREATE()
ON_WM_ERASEBKGND()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_MOVE()
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CPicButton::CPicButton()
    : m_bTransparent(0),
      m_nBitmapID(0),
      m_nBackgroundID(0),
      m_rcInParent(0, 0, 0, 0),
      m_pfnPress(NULL),
      m_pPressOwner(NULL),
      m_pfnRelease(NULL),
      m_pReleaseOwner(NULL) {}

CPicButton::~CPicButton() {
    // The members go in reverse order of declaration: the background's
    // context and bitmap first, then the picture's.
}

void CPicButton::SetBitmap(UINT nBitmapID) {
    m_bTransparent = 0;
    m_nBitmapID = nBitmapID;
    LoadBitmaps();
}

void CPicButton::SetBitmap(UINT nBitmapID, UINT nBackgroundID) {
    m_bTransparent = 1;
    m_nBitmapID = nBitmapID;
    m_nBackgroundID = nBackgroundID;
    LoadBitmaps();
}

void CPicButton::SetPressHandler(void* pOwner, PICBUTTON_HANDLER pfnHandler) {
    m_pPressOwner = pOwner;
    m_pfnPress = pfnHandler;
}

void CPicButton::SetReleaseHandler(void* pOwner, PICBUTTON_HANDLER pfnHandler) {
    m_pReleaseOwner = pOwner;
    m_pfnRelease = pfnHandler;
}

void CPicButton::PreSubclassWindow() {
    CButton::PreSubclassWindow();
    ModifyStyle(0, BS_OWNERDRAW);
}

BOOL CPicButton::PreCreateWindow(CREATESTRUCT& cs) {
    return CButton::PreCreateWindow(cs);
}

void CPicButton::LoadBitmaps() {
    CClientDC dc(this);
    if (m_nBitmapID != 0) {
        m_bmpPicture.LoadBitmap(m_nBitmapID);
        m_dcPicture.CreateCompatibleDC(&dc);
        m_dcPicture.SelectObject(&m_bmpPicture);
    }
    if (m_nBackgroundID != 0) {
        m_bmpBackground.LoadBitmap(m_nBackgroundID);
        m_dcBackground.CreateCompatibleDC(&dc);
        m_dcBackground.SelectObject(&m_bmpBackground);
        UpdatePlaceInParent();
    }
}

void CPicButton::UpdatePlaceInParent() {
    GetWindowRect(&m_rcInParent);
    CWnd* pParent = GetParent();
    if (pParent != NULL) pParent->ScreenToClient(&m_rcInParent);
}

void CPicButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (m_bmpPicture.GetSafeHandle() == NULL) return;
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    BITMAP bm;
    m_bmpPicture.GetBitmap(&bm);
    int w = bm.bmWidth;
    int h = bm.bmHeight;

    // Only the selected state has a look of its own: the pressed frame.
    int sx = (lpDrawItemStruct->itemState & ODS_SELECTED) ? w / 2 : 0;

    // The whole strip is drawn from the chosen frame; the button's own
    // drawing context clips away what lies beyond its width.
    DrawPicture(pDC, 0, 0, w, h, sx, 0, 0);
}

void CPicButton::DrawPicture(CDC* pDC, int x, int y, int w, int h, int sx, int sy, COLORREF crKey) {
    if (!m_bTransparent) {
        pDC->BitBlt(x, y, w, h, &m_dcPicture, sx, sy, SRCCOPY);
        return;
    }

    // Composite: the background under the button, then the frame blended in
    // through a mask made from the key colour.
    CDC dcComposite;
    CDC dcMask;
    dcComposite.CreateCompatibleDC(pDC);
    dcMask.CreateCompatibleDC(pDC);
    CBitmap bmpComposite;
    CBitmap bmpMask;
    bmpComposite.CreateCompatibleBitmap(pDC, w, h);
    bmpMask.CreateBitmap(w, h, 1, 1, NULL);

    CBitmap* pOldComposite = dcComposite.SelectObject(&bmpComposite);
    dcComposite.BitBlt(x, y, w, h, &m_dcBackground, m_rcInParent.left, m_rcInParent.top, SRCCOPY);

    COLORREF crMaskKey = crKey != 0 ? crKey : m_dcPicture.GetPixel(sx, h - 1);
    m_dcPicture.SetBkColor(crMaskKey);

    // Key pixels become white (1), all others black (0).
    CBitmap* pOldMask = dcMask.SelectObject(&bmpMask);
    dcMask.BitBlt(x, y, w, h, &m_dcPicture, sx, sy, SRCCOPY);

    // background ^ frame; AND the mask (opaque pixels to 0); ^ frame again:
    // key pixels give back the background, opaque pixels the frame.
    dcComposite.BitBlt(x, y, w, h, &m_dcPicture, sx, sy, SRCINVERT);
    dcComposite.BitBlt(x, y, w, h, &dcMask, 0, 0, SRCAND);
    dcComposite.BitBlt(x, y, w, h, &m_dcPicture, sx, sy, SRCINVERT);

    pDC->BitBlt(x, y, w, h, &dcComposite, 0, 0, SRCCOPY);

    dcMask.SelectObject(pOldMask);
    dcComposite.SelectObject(pOldComposite);
}

int CPicButton::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    return CButton::OnCreate(lpCreateStruct);
}

BOOL CPicButton::OnEraseBkgnd(CDC* pDC) {
    // DrawItem covers the whole button.
    return TRUE;
}

void CPicButton::OnLButtonDown(UINT nFlags, CPoint point) {
    if (m_pfnPress != NULL) m_pfnPress(m_pPressOwner);
    CButton::OnLButtonDown(nFlags, point);
}

// A second quick tap on the button arrives as a double tap: it is a press
// like any other, so its handler runs too (a stepping dialog would lose the
// step otherwise).
void CPicButton::OnLButtonDblClk(UINT nFlags, CPoint point) {
    if (m_pfnPress != NULL) m_pfnPress(m_pPressOwner);
    CButton::OnLButtonDblClk(nFlags, point);
}

void CPicButton::OnLButtonUp(UINT nFlags, CPoint point) {
    if (m_pfnRelease != NULL) m_pfnRelease(m_pReleaseOwner);
    CButton::OnLButtonUp(nFlags, point);
}

void CPicButton::OnMove(int x, int y) {
    CButton::OnMove(x, y);
    UpdatePlaceInParent();
}

HBRUSH CPicButton::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    return CButton::OnCtlColor(pDC, pWnd, nCtlColor);
}
