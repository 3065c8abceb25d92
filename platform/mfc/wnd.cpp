// Windows of the framework: the handle map, subclassing, message dispatch
// through message maps, reflection of control messages, default handling.
#include <afxwin.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "ce_user.h"

void AfxSetSuperProc(CWnd* pWnd, WNDPROC proc);

namespace {

// Permanent map: windows attached to a framework object. The device's
// programs use windows from their user-interface thread, but the map is
// guarded so that a worker asking for a window object never races it.
std::mutex& MapMutex() {
    static std::mutex& m = *new std::mutex;
    return m;
}
std::unordered_map<HWND, CWnd*>& PermanentMap() {
    static auto& map = *new std::unordered_map<HWND, CWnd*>;
    return map;
}

// Temporary objects for windows without one; they live until the thread's
// next idle moment (see AfxDeleteTempWindows).
thread_local std::unordered_map<HWND, std::unique_ptr<CWnd>> t_tempMap;

// The message each thread is handling (for Default and colour requests).
thread_local MSG t_currentMsg;

// A window being created by a framework object is attached to it (and
// subclassed) the moment it exists, before its first message.
void AttachOnCreate(HWND hWnd, void* context) {
    auto* pWnd = static_cast<CWnd*>(context);
    pWnd->Attach(hWnd);
    WNDPROC old = reinterpret_cast<WNDPROC>(::GetWindowLongPtr(hWnd, GWLP_WNDPROC));
    if (old != &AfxWndProc) {
        AfxSetSuperProc(pWnd, old);
        ::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc));
    }
}

}  // namespace

void AfxDeleteTempWindows() {
    for (auto& [h, w] : t_tempMap) w->m_hWnd = nullptr;
    t_tempMap.clear();
}

void AfxHookWindowCreate(CWnd* pWnd) {
    ce::user::SetCreationHook(&AttachOnCreate, pWnd);
}
void AfxUnhookWindowCreate() {
    ce::user::SetCreationHook(nullptr, nullptr);
}
void AfxSetSuperProc(CWnd* pWnd, WNDPROC proc) {
    pWnd->m_pfnSuper = proc;
}

// ---- Message maps -------------------------------------------------------------

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
            if (e->nMessage != nMessage) continue;
            if (nMessage == WM_COMMAND || nMessage == WM_NOTIFY) {
                if (e->nCode == nCode && nID >= e->nID && nID <= e->nLastID) return e;
            } else {
                return e;
            }
        }
    }
    return nullptr;
}

// ---- Handle map -----------------------------------------------------------------

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr) {}

CWnd::~CWnd() {
    if (m_hWnd) {
        // The window outlives its object only by mistake; take it down so no
        // message can reach freed memory.
        HWND h = m_hWnd;
        if (m_pfnSuper) UnsubclassWindow();
        Detach();
        if (::IsWindow(h)) ::DestroyWindow(h);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    std::lock_guard lock(MapMutex());
    auto it = PermanentMap().find(hWnd);
    return it == PermanentMap().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd) return nullptr;
    if (CWnd* p = FromHandlePermanent(hWnd)) return p;
    auto& slot = t_tempMap[hWnd];
    if (!slot) {
        slot = std::make_unique<CWnd>();
        slot->m_hWnd = hWnd;
    }
    return slot.get();
}

BOOL CWnd::Attach(HWND hWnd) {
    if (!hWnd || m_hWnd) return FALSE;
    m_hWnd = hWnd;
    std::lock_guard lock(MapMutex());
    PermanentMap()[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (h) {
        std::lock_guard lock(MapMutex());
        auto it = PermanentMap().find(h);
        if (it != PermanentMap().end() && it->second == this) PermanentMap().erase(it);
    }
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd)) return FALSE;
    PreSubclassWindow();
    WNDPROC old =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (old != &AfxWndProc) m_pfnSuper = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    HWND hCtrl = pParent ? ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)) : nullptr;
    return hCtrl ? SubclassWindow(hCtrl) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    if (m_pfnSuper) ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

// ---- Creation ------------------------------------------------------------------------

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) {
    return TRUE;
}
void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
    CREATESTRUCT cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs)) return FALSE;
    AfxHookWindowCreate(this);
    HWND h = ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx,
                              cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    AfxUnhookWindowCreate();
    if (!h) {
        if (m_hWnd) UnsubclassWindow();
        return FALSE;
    }
    if (!m_hWnd) SubclassWindow(h);  // a class whose procedure never saw a message
    return TRUE;
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)));
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

// ---- Dispatch -----------------------------------------------------------------------------

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd) return ::DefWindowProc(hWnd, nMsg, wParam, lParam);

    MSG saved = t_currentMsg;
    t_currentMsg = MSG{hWnd, nMsg, wParam, lParam, 0, {0, 0}};
    LRESULT result = pWnd->WindowProc(nMsg, wParam, lParam);
    t_currentMsg = saved;

    if (nMsg == WM_NCDESTROY) {
        WNDPROC super = pWnd->m_pfnSuper;
        pWnd->m_pfnSuper = nullptr;
        if (super) ::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        pWnd->Detach();
        pWnd->PostNcDestroy();
    }
    return result;
}

const MSG* CWnd::CurrentMessage() {
    return &t_currentMsg;
}

UINT CWnd::CtlColorKind(const MSG* pMsg) {
    switch (pMsg->message) {
        case WM_CTLCOLORMSGBOX:
            return CTLCOLOR_MSGBOX;
        case WM_CTLCOLOREDIT:
            return CTLCOLOR_EDIT;
        case WM_CTLCOLORLISTBOX:
            return CTLCOLOR_LISTBOX;
        case WM_CTLCOLORBTN:
            return CTLCOLOR_BTN;
        case WM_CTLCOLORDLG:
            return CTLCOLOR_DLG;
        case WM_CTLCOLORSCROLLBAR:
            return CTLCOLOR_SCROLLBAR;
        default:
            return CTLCOLOR_STATIC;
    }
}

static bool IsCtlColorMessage(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) {
            *pResult = 0;
            return TRUE;
        }
        return FALSE;
    }
    if (message == WM_NOTIFY) return OnNotify(wParam, lParam, pResult);

    UINT lookup = IsCtlColorMessage(message) ? WM_CTLCOLOR : message;
    if (const AFX_MSGMAP_ENTRY* e = FindMessageEntry(lookup, 0, 0)) return e->pfn(this, wParam, lParam, pResult);

    if (message == WM_DRAWITEM) {
        // Drawing requests go back to the control that asked.
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (CWnd* child = FromHandlePermanent(dis->hwndItem))
            return child->OnChildNotify(message, wParam, lParam, pResult);
        return FALSE;
    }
    if (IsCtlColorMessage(message)) {
        *pResult = reinterpret_cast<LRESULT>(OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam)),
                                                        FromHandle(reinterpret_cast<HWND>(lParam)),
                                                        CtlColorKind(CurrentMessage())));
        return TRUE;
    }
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    const MSG& m = t_currentMsg;
    return DefWindowProc(m.message, m.wParam, m.lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    UINT nCode = HIWORD(wParam);
    HWND hCtrl = reinterpret_cast<HWND>(lParam);
    if (hCtrl) {
        // The control may handle its own notification first.
        if (CWnd* child = FromHandlePermanent(hCtrl)) {
            LRESULT r = 0;
            if (child->OnChildNotify(WM_COMMAND, wParam, lParam, &r)) return TRUE;
        }
    } else {
        nCode = 0;  // menus (0) and accelerators (1) are plain commands
    }
    if (const AFX_MSGMAP_ENTRY* e = FindMessageEntry(WM_COMMAND, nCode, nID)) {
        LRESULT r = 0;
        return e->pfn(this, wParam, lParam, &r);
    }
    return FALSE;
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (!hdr) return FALSE;
    if (CWnd* child = FromHandlePermanent(hdr->hwndFrom))
        if (child->OnChildNotify(WM_NOTIFY, wParam, lParam, pResult)) return TRUE;
    if (const AFX_MSGMAP_ENTRY* e = FindMessageEntry(WM_NOTIFY, hdr->code, static_cast<UINT>(hdr->idFrom)))
        return e->pfn(this, wParam, lParam, pResult);
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    // Reflected messages: the control's own map may take them.
    UINT reflected = WM_REFLECT_BASE + (IsCtlColorMessage(message) ? WM_CTLCOLOR : message);
    if (const AFX_MSGMAP_ENTRY* e = FindMessageEntry(reflected, 0, 0)) return e->pfn(this, wParam, lParam, pResult);
    return FALSE;
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

// ---- Default handlers ------------------------------------------------------------------------

int CWnd::OnCreate(LPCREATESTRUCT) {
    return static_cast<int>(Default());
}
void CWnd::OnDestroy() {
    Default();
}
void CWnd::OnClose() {
    Default();
}
void CWnd::OnPaint() {
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnLButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint) {
    Default();
}
void CWnd::OnMouseMove(UINT, CPoint) {
    Default();
}
void CWnd::OnMove(int, int) {
    Default();
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnChar(UINT, UINT, UINT) {
    Default();
}

HBRUSH CWnd::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    // Offer the request to the control first; without an answer from it,
    // the default colours of the window system.
    if (pWnd && pWnd->m_hWnd) {
        if (CWnd* child = FromHandlePermanent(pWnd->m_hWnd)) {
            LRESULT r = 0;
            const MSG& m = t_currentMsg;
            if (child->OnChildNotify(m.message, m.wParam, m.lParam, &r) && r) return reinterpret_cast<HBRUSH>(r);
        }
    }
    return reinterpret_cast<HBRUSH>(Default());
}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, entries};
    return &map;
}
const AFX_MSGMAP* CWnd::GetMessageMap() const {
    return GetThisMessageMap();
}

// ---- Thin wrappers ----------------------------------------------------------------------------

DWORD CWnd::GetStyle() const {
    return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_STYLE));
}
DWORD CWnd::GetExStyle() const {
    return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_EXSTYLE));
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    DWORD style = GetStyle();
    DWORD changed = (style & ~dwRemove) | dwAdd;
    if (changed == style) return FALSE;
    ::SetWindowLong(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(changed));
    if (nFlags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | nFlags);
    return TRUE;
}

CWnd* CWnd::GetParent() const {
    return FromHandle(::GetParent(m_hWnd));
}
CWnd* CWnd::GetOwner() const {
    return FromHandle(::GetWindow(m_hWnd, GW_OWNER));
}
CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}
int CWnd::GetDlgCtrlID() const {
    return static_cast<int>(::GetWindowLong(m_hWnd, GWL_ID));
}
void CWnd::GetWindowRect(LPRECT lpRect) const {
    ::GetWindowRect(m_hWnd, lpRect);
}
void CWnd::GetClientRect(LPRECT lpRect) const {
    ::GetClientRect(m_hWnd, lpRect);
}
void CWnd::ClientToScreen(LPPOINT lpPoint) const {
    ::ClientToScreen(m_hWnd, lpPoint);
}
void CWnd::ScreenToClient(LPPOINT lpPoint) const {
    ::ScreenToClient(m_hWnd, lpPoint);
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}
BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}
BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}
BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    RECT rcArea;
    HWND hOwner = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner && ::IsWindowVisible(hOwner)) {
        ::GetWindowRect(hOwner, &rcArea);
    } else {
        rcArea = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    }
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = rcArea.left + (rcArea.right - rcArea.left - w) / 2;
    int y = rcArea.top + (rcArea.bottom - rcArea.top - h) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
    ::SetWindowText(m_hWnd, lpszString);
}
int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const {
    return ::GetWindowText(m_hWnd, lpszStringBuf, nMaxCount);
}
int CWnd::GetWindowTextLength() const {
    return ::GetWindowTextLength(m_hWnd);
}

void CWnd::GetWindowText(CString& rString) const {
    int n = GetWindowTextLength();
    LPTSTR buf = rString.GetBuffer(n + 1);
    ::GetWindowText(m_hWnd, buf, n + 1);
    rString.ReleaseBuffer();
}

void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString) {
    ::SetWindowText(::GetDlgItem(m_hWnd, nID), lpszString);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        ::SendMessage(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

CWnd* CWnd::SetFocus() {
    return FromHandle(::SetFocus(m_hWnd));
}
CWnd* CWnd::GetFocus() {
    return FromHandle(::GetFocus());
}
BOOL CWnd::SetForegroundWindow() {
    return ::SetForegroundWindow(m_hWnd);
}
void CWnd::Invalidate(BOOL bErase) {
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}
void CWnd::UpdateWindow() {
    ::UpdateWindow(m_hWnd);
}
BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, HRGN prgnUpdate, UINT flags) {
    return ::RedrawWindow(m_hWnd, lpRectUpdate, prgnUpdate, flags);
}
CWnd* CWnd::SetCapture() {
    return FromHandle(::SetCapture(m_hWnd));
}
LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}
UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}
BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    return ::KillTimer(m_hWnd, nIDEvent);
}

int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
    if (!lpszCaption) lpszCaption = AfxGetAppName();
    return ::MessageBox(m_hWnd, lpszText, lpszCaption, nType);
}

// ---- Window classes of the program ---------------------------------------------------------

LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
    static std::mutex mutex;
    static std::set<std::u16string> names;  // stable storage for the names handed out
    HINSTANCE hInst = AfxGetInstanceHandle();
    char narrow[96];
    if (hCursor || hbrBackground || hIcon)
        std::snprintf(narrow, sizeof narrow, "Afx:%zx:%x:%zx:%zx:%zx", reinterpret_cast<size_t>(hInst), nClassStyle,
                      reinterpret_cast<size_t>(hCursor), reinterpret_cast<size_t>(hbrBackground),
                      reinterpret_cast<size_t>(hIcon));
    else
        std::snprintf(narrow, sizeof narrow, "Afx:%zx:%x", reinterpret_cast<size_t>(hInst), nClassStyle);
    std::u16string name(narrow, narrow + std::strlen(narrow));

    std::lock_guard lock(mutex);
    WNDCLASS wc = {};
    if (!::GetClassInfo(hInst, name.c_str(), &wc)) {
        wc.style = nClassStyle;
        wc.lpfnWndProc = ::DefWindowProc;
        wc.hInstance = hInst;
        wc.hIcon = hIcon;
        wc.hCursor = hCursor;
        wc.hbrBackground = hbrBackground;
        wc.lpszClassName = name.c_str();
        if (!::RegisterClass(&wc)) return NULL;
    }
    return names.insert(std::move(name)).first->c_str();
}
