// The application object, the button and static control classes.
#include <afxwin.h>

#include <string>

namespace {
CWinApp* g_pApp = nullptr;
}

// ---- Application ------------------------------------------------------------------

CWinApp::CWinApp(LPCTSTR lpszAppName) : m_pMainWnd(nullptr), m_hInstance(nullptr), m_pszAppName(lpszAppName) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}
int CWinApp::ExitInstance() {
    return 0;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessage(&msg, nullptr, 0, 0)) {
        CWnd* pWnd = CWnd::FromHandlePermanent(msg.hwnd);
        if (pWnd && pWnd->PreTranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessage(&msg);
    }
    ExitInstance();
    return static_cast<int>(msg.wParam);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return ::LoadIcon(m_hInstance, MAKEINTRESOURCE(nIDResource));
}

const AFX_MSGMAP* CWinApp::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, entries};
    return &map;
}
const AFX_MSGMAP* CWinApp::GetMessageMap() const {
    return GetThisMessageMap();
}

CWinApp* AfxGetApp() {
    return g_pApp;
}
CWnd* AfxGetMainWnd() {
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}
HINSTANCE AfxGetInstanceHandle() {
    return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance : ::GetModuleHandle(nullptr);
}

LPCTSTR AfxGetAppName() {
    if (g_pApp && g_pApp->m_pszAppName) return g_pApp->m_pszAppName;
    // Read once: the string table does not change while the program runs.
    static const std::u16string title = [] {
        WCHAR buf[256] = {0};
        int n = ::LoadString(::GetModuleHandle(nullptr), AFX_IDS_APP_TITLE, buf, 256);
        return std::u16string(buf, n > 0 ? static_cast<size_t>(n) : 0);
    }();
    return title.c_str();
}

int AfxMessageBox(LPCTSTR lpszText, UINT nType) {
    CWnd* pMain = AfxGetMainWnd();
    return ::MessageBox(pMain ? pMain->m_hWnd : nullptr, lpszText, AfxGetAppName(), nType);
}

int AfxWinMain() {
    CWinApp* pApp = AfxGetApp();
    if (!pApp) return -1;
    pApp->m_hInstance = ::GetModuleHandle(nullptr);
    int code;
    if (pApp->InitInstance())
        code = pApp->Run();
    else
        code = pApp->ExitInstance();
    pApp->m_pMainWnd = nullptr;
    return code;
}

// ---- Button -------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CButton, CWnd)
END_MESSAGE_MAP()

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create(u"BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

UINT CButton::GetState() const {
    return static_cast<UINT>(::SendMessage(m_hWnd, BM_GETSTATE, 0, 0));
}
void CButton::SetState(BOOL bHighlight) {
    ::SendMessage(m_hWnd, BM_SETSTATE, static_cast<WPARAM>(bHighlight), 0);
}
int CButton::GetCheck() const {
    return static_cast<int>(::SendMessage(m_hWnd, BM_GETCHECK, 0, 0));
}
void CButton::SetCheck(int nCheck) {
    ::SendMessage(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(nCheck), 0);
}
UINT CButton::GetButtonStyle() const {
    return static_cast<UINT>(GetStyle() & 0xFF);
}
void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw) {
    ::SendMessage(m_hWnd, BM_SETSTYLE, nStyle, static_cast<LPARAM>(bRedraw));
}
HBITMAP CButton::SetBitmap(HBITMAP hBitmap) {
    return reinterpret_cast<HBITMAP>(
        ::SendMessage(m_hWnd, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
}

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_DRAWITEM) {
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        *pResult = TRUE;
        return TRUE;
    }
    return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

// ---- Static -------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CStatic, CWnd)
END_MESSAGE_MAP()

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create(u"STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}

HICON CStatic::SetIcon(HICON hIcon) {
    return reinterpret_cast<HICON>(::SendMessage(m_hWnd, STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0));
}

void CStatic::DrawItem(LPDRAWITEMSTRUCT) {}

BOOL CStatic::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_DRAWITEM) {
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        *pResult = TRUE;
        return TRUE;
    }
    return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

// ---- Window drawing contexts ----------------------------------------------------------

CPaintDC::CPaintDC(CWnd* pWnd) : m_ps{}, m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC() {
    Detach();
    ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC() {
    HDC h = Detach();
    ::ReleaseDC(m_hWnd, h);
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    Attach(::GetWindowDC(m_hWnd));
}

CWindowDC::~CWindowDC() {
    HDC h = Detach();
    ::ReleaseDC(m_hWnd, h);
}
