// The main panel.
#include "halvodlg.h"

#include "../device/systemversion.h"
#include "../display/brightness.h"
#include "../display/lcdtimeout.h"
#include "../display/screenrotate.h"
#include "../system/registryset.h"
#include "../system/serialmode.h"
#include "../system/systemservice.h"
#include "../touch/touchscreen.h"

const PANEL_ITEM CHalvoDlg::s_panelItems[PANEL_ITEM_COUNT] = {
    {IDC_TOUCHSCREEN, IDB_TOUCHSCREEN, {60, 36}, IDC_LBL_TOUCHSCREEN, {56, 91}},
    {IDC_BRIGHTNESS, IDB_BRIGHTNESS, {200, 36}, IDC_LBL_BRIGHTNESS, {177, 98}},
    {IDC_SERIALPORT, IDB_SERIALPORT, {340, 36}, IDC_LBL_SERIALPORT, {335, 98}},
    {IDC_SYSTEMINFO, IDB_SYSTEMINFO, {60, 128}, IDC_LBL_SYSTEMINFO, {20, 181}},
    {IDC_SCREENSAVER, IDB_SCREENSAVER, {200, 128}, IDC_LBL_SCREENSAVER, {185, 181}},
    {IDC_SCREENROTATE, IDB_SCREENROTATE, {340, 128}, IDC_LBL_SCREENROTATE, {330, 181}},
    {IDC_SYSTEMSERVICE, IDB_SYSTEMSERVICE, {56, 223}, IDC_LBL_SYSTEMSERVICE, {43, 274}},
    {IDC_REGISTRYSAVE, IDB_REGISTRYSAVE, {200, 223}, IDC_LBL_REGISTRYSAVE, {189, 276}},
    {IDC_QUIT, IDB_QUIT, {342, 231}, IDC_LBL_QUIT, {338, 285}},
};

// Drag state: one set for the program.
static int s_bDragging = 0;
static POINT s_ptDown;
static POINT s_ptLast;
static RECT s_rcAtDown;

BEGIN_MESSAGE_MAP(CHalvoDlg, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR()
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_BN_CLICKED(IDC_TOUCHSCREEN, &CHalvoDlg::OnBnClickedTouchScreen)
ON_BN_CLICKED(IDC_BRIGHTNESS, &CHalvoDlg::OnBnClickedBrightness)
ON_BN_CLICKED(IDC_SERIALPORT, &CHalvoDlg::OnBnClickedSerialPort)
ON_BN_CLICKED(IDC_SYSTEMINFO, &CHalvoDlg::OnBnClickedSystemInformation)
ON_BN_CLICKED(IDC_SCREENSAVER, &CHalvoDlg::OnBnClickedScreenSaver)
ON_BN_CLICKED(IDC_SCREENROTATE, &CHalvoDlg::OnBnClickedScreenRotate)
ON_BN_CLICKED(IDC_SYSTEMSERVICE, &CHalvoDlg::OnBnClickedSystemService)
ON_BN_CLICKED(IDC_REGISTRYSAVE, &CHalvoDlg::OnBnClickedRegistrySave)
ON_BN_CLICKED(IDC_QUIT, &CHalvoDlg::OnBnClickedQuit)
END_MESSAGE_MAP()

CHalvoDlg::CHalvoDlg(CWnd* pParent) : CDialog(CHalvoDlg::IDD, pParent), m_hOldTitle(NULL), m_hOldBackground(NULL) {
    m_hIcon = AfxGetApp()->LoadIcon(IDI_PANEL);
}

void CHalvoDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < PANEL_ITEM_COUNT; i++) DDX_Control(pDX, s_panelItems[i].nButtonID, m_btnItem[i]);
    for (int i = 0; i < PANEL_ITEM_COUNT; i++) DDX_Control(pDX, s_panelItems[i].nLabelID, m_lblItem[i]);
}

BOOL CHalvoDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // Title and background stay selected into their memory contexts for the
    // panel's whole life: each erase is two block copies and three lines.
    CClientDC dc(this);
    m_bmpTitle.LoadBitmap(IDB_TITLE);
    m_dcTitle.CreateCompatibleDC(&dc);
    m_hOldTitle = (HBITMAP)m_dcTitle.SelectObject(&m_bmpTitle)->GetSafeHandle();
    m_bmpBackground.LoadBitmap(IDB_BACKGROUND);
    m_dcBackground.CreateCompatibleDC(&dc);
    m_hOldBackground = (HBITMAP)m_dcBackground.SelectObject(&m_bmpBackground)->GetSafeHandle();

    CenterPanel();

    for (int i = 0; i < PANEL_ITEM_COUNT; i++) {
        const PANEL_ITEM& item = s_panelItems[i];
        m_btnItem[i].SetBitmap(item.nBitmapID, IDB_BACKGROUND);
        m_btnItem[i].MoveWindow(item.ptButton.x, item.ptButton.y, PANEL_BUTTON_SIZE, PANEL_BUTTON_SIZE, TRUE);
    }
    for (int i = 0; i < PANEL_ITEM_COUNT; i++) {
        const PANEL_ITEM& item = s_panelItems[i];
        m_lblItem[i].SetBackground(IDB_BACKGROUND);
        CRect rc;
        m_lblItem[i].GetWindowRect(&rc);
        m_lblItem[i].MoveWindow(item.ptLabel.x, item.ptLabel.y, rc.Width(), rc.Height(), TRUE);
    }
    return TRUE;
}

void CHalvoDlg::CenterPanel() {
    CClientDC dc(this);
    int cxScreen = dc.GetDeviceCaps(HORZRES);
    int cyScreen = dc.GetDeviceCaps(VERTRES);
    // Centred for the size the panel is given, not the size it has now: at
    // start-up that is the template's size, which the dialog units make
    // larger than the panel, and centring by it would leave the panel off
    // centre.
    int left = (cxScreen - PANEL_WIDTH) / 2;
    int top = (cyScreen - PANEL_HEIGHT) / 2;
    MoveWindow(left, top, PANEL_WIDTH, PANEL_HEIGHT, TRUE);
}

int CHalvoDlg::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    return CDialog::OnCreate(lpCreateStruct);
}

void CHalvoDlg::OnDestroy() {
    CDialog::OnDestroy();
    if (m_dcTitle.GetSafeHdc() != NULL) ::SelectObject(m_dcTitle.GetSafeHdc(), m_hOldTitle);
    if (m_dcBackground.GetSafeHdc() != NULL) ::SelectObject(m_dcBackground.GetSafeHdc(), m_hOldBackground);
}

void CHalvoDlg::OnPaint() {
    CDialog::OnPaint();
}

BOOL CHalvoDlg::OnEraseBkgnd(CDC* pDC) {
    BITMAP bmTitle;
    BITMAP bmBackground;
    m_bmpTitle.GetBitmap(&bmTitle);
    m_bmpBackground.GetBitmap(&bmBackground);
    int th = bmTitle.bmHeight;

    pDC->BitBlt(0, 0, bmTitle.bmWidth, th, &m_dcTitle, 0, 0, SRCCOPY);
    pDC->BitBlt(0, th, bmBackground.bmWidth, bmBackground.bmHeight, &m_dcBackground, 0, th, SRCCOPY);

    // The frame below the title strip: right, bottom and left edges.
    CRect rc;
    GetClientRect(&rc);
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* pOldPen = pDC->SelectObject(&pen);
    pDC->MoveTo(rc.right - 1, rc.top + th);
    pDC->LineTo(rc.right - 1, rc.bottom - 1);
    pDC->LineTo(rc.left, rc.bottom - 1);
    pDC->LineTo(rc.left, rc.top + th);
    pDC->SelectObject(pOldPen);
    return TRUE;
}

HBRUSH CHalvoDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    pDC->SetBkMode(TRANSPARENT);
    return (HBRUSH)::GetStockObject(NULL_BRUSH);
}

void CHalvoDlg::MovePanelTo(CPoint pt) {
    s_ptLast = pt;
    MoveWindow(s_rcAtDown.left + pt.x - s_ptDown.x, s_rcAtDown.top + pt.y - s_ptDown.y,
               s_rcAtDown.right - s_rcAtDown.left, s_rcAtDown.bottom - s_rcAtDown.top, TRUE);
}

void CHalvoDlg::OnLButtonDown(UINT nFlags, CPoint point) {
    CPoint pt = point;
    ClientToScreen(&pt);
    s_ptDown = pt;
    s_ptLast = pt;
    GetWindowRect(&s_rcAtDown);
    s_bDragging = 1;
    CDialog::OnLButtonDown(nFlags, point);
}

void CHalvoDlg::OnMouseMove(UINT nFlags, CPoint point) {
    if (s_bDragging) {
        CPoint pt = point;
        ClientToScreen(&pt);
        if (pt.x != s_ptLast.x || pt.y != s_ptLast.y) MovePanelTo(pt);
    }
    CDialog::OnMouseMove(nFlags, point);
}

void CHalvoDlg::OnLButtonUp(UINT nFlags, CPoint point) {
    if (s_bDragging) {
        CPoint pt = point;
        ClientToScreen(&pt);
        MovePanelTo(pt);
        s_bDragging = 0;
    }
    CDialog::OnLButtonUp(nFlags, point);
}

// Each setting button runs its dialog modally on this handler's stack.
void CHalvoDlg::OnBnClickedTouchScreen() {
    CTouchScreen dlg;
    dlg.DoModal();
}

void CHalvoDlg::OnBnClickedBrightness() {
    CBrightness dlg;
    dlg.DoModal();
}

void CHalvoDlg::OnBnClickedSerialPort() {
    CSerialMode dlg;
    dlg.DoModal();
}

void CHalvoDlg::OnBnClickedSystemInformation() {
    CSystemVersion dlg;
    dlg.DoModal();
}

void CHalvoDlg::OnBnClickedScreenSaver() {
    CLcdTimeout dlg;
    dlg.DoModal();
}

void CHalvoDlg::OnBnClickedScreenRotate() {
    CScreenRotate dlg;
    dlg.DoModal();
}

void CHalvoDlg::OnBnClickedSystemService() {
    CSystemService dlg;
    dlg.DoModal();
}

void CHalvoDlg::OnBnClickedRegistrySave() {
    CRegistrySet dlg;
    dlg.DoModal();
}

void CHalvoDlg::OnBnClickedQuit() {
    OnCancel();
}
