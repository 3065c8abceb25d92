// The touch test window.
#include "testposwnd.h"

#define CROSS_ICON_SIZE 32
#define CROSS_ICON_HALF (CROSS_ICON_SIZE / 2)

// Before the first touch of the object's life no cross-hair is shown: the
// touch point starts far off the screen, so the icon lands outside.
#define NO_TOUCH_YET (-0x4000)

BEGIN_MESSAGE_MAP(CTestPosWnd, CWnd)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONDBLCLK()
ON_WM_PAINT()
END_MESSAGE_MAP()

CTestPosWnd::CTestPosWnd() {
    m_hCrossIcon = AfxGetApp()->LoadIcon(IDI_CROSSHAIR);
    m_ptTouch.x = NO_TOUCH_YET;
    m_ptTouch.y = NO_TOUCH_YET;
}

CTestPosWnd::~CTestPosWnd() {}

BOOL CTestPosWnd::PreCreateWindow(CREATESTRUCT& cs) {
    cs.x = 0;
    cs.y = 0;
    cs.cx = GetSystemMetrics(SM_CXSCREEN);
    cs.cy = GetSystemMetrics(SM_CYSCREEN);
    cs.style = (LONG)(WS_POPUP | WS_VISIBLE);
    cs.dwExStyle = WS_EX_TOPMOST;
    cs.hwndParent = NULL;
    cs.hMenu = NULL;
    cs.lpszName = NULL;
    cs.lpCreateParams = NULL;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(NULL, IDC_ARROW), (HBRUSH)(COLOR_WINDOW + 1), NULL);
    return CWnd::PreCreateWindow(cs);
}

void CTestPosWnd::OnLButtonDown(UINT nFlags, CPoint point) {
    m_ptTouch = point;
    Invalidate(TRUE);
    CWnd::OnLButtonDown(nFlags, point);
}

void CTestPosWnd::OnLButtonDblClk(UINT nFlags, CPoint point) {
    DestroyWindow();
    CWnd* pMain = AfxGetMainWnd();
    if (pMain != NULL) pMain->UpdateWindow();
}

void CTestPosWnd::OnPaint() {
    CPaintDC dc(this);
    CRect rect;
    GetClientRect(&rect);
    dc.DrawText(_T("Double click to exit"), 20, &rect, DT_CENTER);
    ::DrawIconEx(dc.m_hDC, m_ptTouch.x - CROSS_ICON_HALF, m_ptTouch.y - CROSS_ICON_HALF, m_hCrossIcon, CROSS_ICON_SIZE,
                 CROSS_ICON_SIZE, 0, NULL, DI_NORMAL);
}
