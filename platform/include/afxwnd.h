// The framework's window classes: command targets with message maps,
// windows, dialogs with data exchange, the button and static controls and
// the application object. Included by afxwin.h after the string, geometry
// and drawing classes.
#pragma once

#include "winuser.h"

class CCmdTarget;
class CWnd;
class CDialog;
class CDataExchange;
class CWinApp;

// ---- Message maps ----------------------------------------------------------
//
// Each entry carries a small function that cracks the message's parameters
// and calls the member function of the class that declared the entry; it
// returns TRUE when the message was handled and puts the result in *pResult.

typedef BOOL (*AFX_PMSGHANDLER)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message, or WM_COMMAND / WM_NOTIFY with nCode and an id range
    UINT nCode;     // control notification code
    UINT nID;       // first control id
    UINT nLastID;   // last control id
    AFX_PMSGHANDLER pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define PASCAL
#define afx_msg

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    virtual const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
        using ThisClass [[maybe_unused]] = theClass;    \
        using TheBaseClass = baseClass;                 \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                         \
    { 0, 0, 0, 0, nullptr }                                                                       \
    }                                                                                             \
    ;                                                                                             \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                           \
    }

#define AFX_MSG_ENTRY(msg, code, id, last, body) \
    {msg, code, id, last, [](CCmdTarget* pT, WPARAM wParam, LPARAM lParam, LRESULT* pResult) -> BOOL { body }},
#define AFX_THIS static_cast<ThisClass*>(pT)
#define AFX_POINT_ARG CPoint((short)LOWORD(lParam), (short)HIWORD(lParam))

// A pseudo message for the colour requests of every kind of control.
#define WM_CTLCOLOR 0x0019
// Messages reflected back to the control that sent them.
#define WM_REFLECT_BASE 0xBC00

#define ON_WM_CREATE() \
    AFX_MSG_ENTRY(WM_CREATE, 0, 0, 0, *pResult = AFX_THIS->OnCreate((LPCREATESTRUCT)lParam); (void)wParam; return TRUE;)
#define ON_WM_DESTROY() \
    AFX_MSG_ENTRY(WM_DESTROY, 0, 0, 0, AFX_THIS->OnDestroy(); (void)wParam; (void)lParam; *pResult = 0; return TRUE;)
#define ON_WM_CLOSE() \
    AFX_MSG_ENTRY(WM_CLOSE, 0, 0, 0, AFX_THIS->OnClose(); (void)wParam; (void)lParam; *pResult = 0; return TRUE;)
#define ON_WM_PAINT() \
    AFX_MSG_ENTRY(WM_PAINT, 0, 0, 0, AFX_THIS->OnPaint(); (void)wParam; (void)lParam; *pResult = 0; return TRUE;)
#define ON_WM_ERASEBKGND()                              \
    AFX_MSG_ENTRY(WM_ERASEBKGND, 0, 0, 0, (void)lParam; \
                  *pResult = AFX_THIS->OnEraseBkgnd(CDC::FromHandle((HDC)wParam)); return TRUE;)
#define ON_WM_CTLCOLOR()                                                                                       \
    AFX_MSG_ENTRY(                                                                                             \
        WM_CTLCOLOR, 0, 0, 0,                                                                                  \
        *pResult = (LRESULT)AFX_THIS->OnCtlColor(CDC::FromHandle((HDC)wParam), CWnd::FromHandle((HWND)lParam), \
                                                 CWnd::CtlColorKind(CWnd::CurrentMessage()));                  \
        return TRUE;)
#define ON_WM_CTLCOLOR_REFLECT()                                                                      \
    AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, (void)lParam;                               \
                  *pResult = (LRESULT)AFX_THIS->CtlColor(CDC::FromHandle((HDC)wParam),                \
                                                         CWnd::CtlColorKind(CWnd::CurrentMessage())); \
                  return *pResult != 0;)
#define ON_WM_LBUTTONDOWN()                                                                                    \
    AFX_MSG_ENTRY(WM_LBUTTONDOWN, 0, 0, 0, AFX_THIS->OnLButtonDown((UINT)wParam, AFX_POINT_ARG); *pResult = 0; \
                  return TRUE;)
#define ON_WM_LBUTTONUP() \
    AFX_MSG_ENTRY(WM_LBUTTONUP, 0, 0, 0, AFX_THIS->OnLButtonUp((UINT)wParam, AFX_POINT_ARG); *pResult = 0; return TRUE;)
#define ON_WM_LBUTTONDBLCLK()                                                                                      \
    AFX_MSG_ENTRY(WM_LBUTTONDBLCLK, 0, 0, 0, AFX_THIS->OnLButtonDblClk((UINT)wParam, AFX_POINT_ARG); *pResult = 0; \
                  return TRUE;)
#define ON_WM_MOUSEMOVE() \
    AFX_MSG_ENTRY(WM_MOUSEMOVE, 0, 0, 0, AFX_THIS->OnMouseMove((UINT)wParam, AFX_POINT_ARG); *pResult = 0; return TRUE;)
#define ON_WM_MOVE()                                                                                              \
    AFX_MSG_ENTRY(WM_MOVE, 0, 0, 0, (void)wParam; AFX_THIS->OnMove((short)LOWORD(lParam), (short)HIWORD(lParam)); \
                  *pResult = 0; return TRUE;)
#define ON_WM_SIZE()                                                                                              \
    AFX_MSG_ENTRY(WM_SIZE, 0, 0, 0, AFX_THIS->OnSize((UINT)wParam, (short)LOWORD(lParam), (short)HIWORD(lParam)); \
                  *pResult = 0; return TRUE;)
#define ON_WM_TIMER() \
    AFX_MSG_ENTRY(WM_TIMER, 0, 0, 0, (void)lParam; AFX_THIS->OnTimer((UINT_PTR)wParam); *pResult = 0; return TRUE;)
#define ON_WM_KEYDOWN()                                                                                   \
    AFX_MSG_ENTRY(WM_KEYDOWN, 0, 0, 0, AFX_THIS->OnKeyDown((UINT)wParam, LOWORD(lParam), HIWORD(lParam)); \
                  *pResult = 0; return TRUE;)
#define ON_WM_CHAR()                                                                                              \
    AFX_MSG_ENTRY(WM_CHAR, 0, 0, 0, AFX_THIS->OnChar((UINT)wParam, LOWORD(lParam), HIWORD(lParam)); *pResult = 0; \
                  return TRUE;)
#define ON_MESSAGE(message, memberFxn) \
    AFX_MSG_ENTRY(message, 0, 0, 0, *pResult = (AFX_THIS->*(memberFxn))(wParam, lParam); return TRUE;)
#define ON_COMMAND(id, memberFxn)                                                                              \
    AFX_MSG_ENTRY(WM_COMMAND, 0, id, id, (void)wParam; (void)lParam; (AFX_THIS->*(memberFxn))(); *pResult = 0; \
                  return TRUE;)
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                             \
    AFX_MSG_ENTRY(WM_COMMAND, wNotifyCode, id, id, (void)wParam; (void)lParam; (AFX_THIS->*(memberFxn))(); \
                  *pResult = 0; return TRUE;)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                           \
    AFX_MSG_ENTRY(WM_NOTIFY, (UINT)(wNotifyCode), id, id, (void)wParam; \
                  (AFX_THIS->*(memberFxn))((NMHDR*)lParam, pResult); return TRUE;)

// ---- Command targets and windows -------------------------------------------

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    // Finds the entry for a message (and for WM_COMMAND/WM_NOTIFY, a code
    // and control id) along the class chain; null when none.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;
    friend class CWnd;
};

class CWnd : public CCmdTarget {
public:
    CWnd();
    virtual ~CWnd();

    HWND m_hWnd;

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The window object of a handle: the permanent one attached to it, or a
    // temporary one that lives until the thread's next idle moment.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);
    BOOL Attach(HWND hWnd);
    HWND Detach();
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID);
    BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x, int y,
                  int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = NULL);
    virtual BOOL DestroyWindow();

    // Window state and geometry.
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    CWnd* GetParent() const;
    CWnd* GetOwner() const;
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const;
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    void CenterWindow(CWnd* pAlternateOwner = NULL);
    void SetWindowText(LPCTSTR lpszString);
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const;
    void SetDlgItemText(int nID, LPCTSTR lpszString);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    CWnd* SetFocus();
    static CWnd* GetFocus();
    BOOL SetForegroundWindow();
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void UpdateWindow();
    BOOL RedrawWindow(LPCRECT lpRectUpdate = NULL, HRGN prgnUpdate = NULL,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    CWnd* SetCapture();
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = NULL);
    BOOL KillTimer(UINT_PTR nIDEvent);
    int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = NULL, UINT nType = MB_OK);

    // Message handling.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A message the parent reflects back to this control (drawing, colours,
    // notifications); TRUE when this control handled it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual void PreSubclassWindow();
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual void PostNcDestroy();
    // Passes the message being handled on to the default handling.
    LRESULT Default();

    // The message being handled by this thread, and the kind of control a
    // colour request is for (CTLCOLOR_STATIC, ...).
    static const MSG* CurrentMessage();
    static UINT CtlColorKind(const MSG* pMsg);

    // Default handlers (each passes the message on to the default handling).
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnClose();
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnMove(int x, int y);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;

    WNDPROC m_pfnSuper;  // the window procedure this object subclassed

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend void AfxSetSuperProc(CWnd*, WNDPROC);
    friend class CDialog;
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

// ---- Controls ---------------------------------------------------------------

class CButton : public CWnd {
public:
    CButton() = default;
    BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    UINT GetState() const;
    void SetState(BOOL bHighlight);
    int GetCheck() const;
    void SetCheck(int nCheck);
    UINT GetButtonStyle() const;
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);
    HBITMAP SetBitmap(HBITMAP hBitmap);
    // Owner-drawn buttons draw themselves here.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    DECLARE_MESSAGE_MAP()
};

class CStatic : public CWnd {
public:
    CStatic() = default;
    virtual BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xffff);
    HICON SetIcon(HICON hIcon);
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    DECLARE_MESSAGE_MAP()
};

// A combo box (its entries, selection and drop-down list).
class CComboBox : public CWnd {
public:
    CComboBox() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return CWnd::Create(u"COMBOBOX", NULL, dwStyle, rect, pParentWnd, nID);
    }
    int GetCount() const { return (int)::SendMessage(m_hWnd, CB_GETCOUNT, 0, 0); }
    int GetCurSel() const { return (int)::SendMessage(m_hWnd, CB_GETCURSEL, 0, 0); }
    int SetCurSel(int nSelect) { return (int)::SendMessage(m_hWnd, CB_SETCURSEL, (WPARAM)nSelect, 0); }
    int AddString(LPCTSTR lpszString) { return (int)::SendMessage(m_hWnd, CB_ADDSTRING, 0, (LPARAM)lpszString); }
    int InsertString(int nIndex, LPCTSTR lpszString) {
        return (int)::SendMessage(m_hWnd, CB_INSERTSTRING, (WPARAM)nIndex, (LPARAM)lpszString);
    }
    int DeleteString(UINT nIndex) { return (int)::SendMessage(m_hWnd, CB_DELETESTRING, nIndex, 0); }
    void ResetContent() { ::SendMessage(m_hWnd, CB_RESETCONTENT, 0, 0); }
    int GetLBText(int nIndex, LPTSTR lpszText) const {
        return (int)::SendMessage(m_hWnd, CB_GETLBTEXT, (WPARAM)nIndex, (LPARAM)lpszText);
    }
    int GetLBTextLen(int nIndex) const { return (int)::SendMessage(m_hWnd, CB_GETLBTEXTLEN, (WPARAM)nIndex, 0); }
    int FindStringExact(int nIndexStart, LPCTSTR lpszFind) const {
        return (int)::SendMessage(m_hWnd, CB_FINDSTRINGEXACT, (WPARAM)nIndexStart, (LPARAM)lpszFind);
    }
    DWORD_PTR GetItemData(int nIndex) const {
        return (DWORD_PTR)::SendMessage(m_hWnd, CB_GETITEMDATA, (WPARAM)nIndex, 0);
    }
    int SetItemData(int nIndex, DWORD_PTR dwItemData) {
        return (int)::SendMessage(m_hWnd, CB_SETITEMDATA, (WPARAM)nIndex, (LPARAM)dwItemData);
    }
    void ShowDropDown(BOOL bShowIt = TRUE) { ::SendMessage(m_hWnd, CB_SHOWDROPDOWN, (WPARAM)bShowIt, 0); }
    BOOL GetDroppedState() const { return (BOOL)::SendMessage(m_hWnd, CB_GETDROPPEDSTATE, 0, 0); }
    BOOL LimitText(int nMaxChars) { return (BOOL)::SendMessage(m_hWnd, CB_LIMITTEXT, (WPARAM)nMaxChars, 0); }
};

// ---- Dialogs -----------------------------------------------------------------

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Ends the exchange as failed (the current control gets the focus).
    void Fail();
    HWND m_hWndLastControl = nullptr;
    BOOL m_bFailed = FALSE;
};

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// The index of a combo box's selection (-1: none).
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);

class CDialog : public CWnd {
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL);
    ~CDialog() override;

    virtual INT_PTR DoModal();
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    void EndDialog(int nResult);
    virtual BOOL OnInitDialog();
    // Sends the controls the messages of the dialog-initialisation resource
    // (RT_DLGINIT) of that name: the initial lists of combo boxes. TRUE when
    // there is none or every message succeeded.
    BOOL ExecuteDlgInit(LPCTSTR lpszResourceName);
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDHelp;  // the template's resource id
    CWnd* m_pParentWnd;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    BOOL m_bContinueModal = FALSE;
    int m_nModalResult = -1;
};

// ---- The application ----------------------------------------------------------

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(LPCTSTR lpszAppName = NULL);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // The application's own message loop, for an InitInstance that returns TRUE.
    virtual int Run();
    HICON LoadIcon(UINT nIDResource) const;

    CWnd* m_pMainWnd;
    HINSTANCE m_hInstance;
    LPCTSTR m_pszAppName;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK);
// The application's name: the string AFX_IDS_APP_TITLE of the program, unless
// the application object was constructed with one.
LPCTSTR AfxGetAppName();
// Registers (once) a window class of the program with these settings and
// returns its generated name, which stays valid for the program's life; a
// second call with the same settings returns the same name. NULL when the
// class cannot be registered (this framework raises no resource exception):
// a window created with it then fails to be created.
LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = 0, HBRUSH hbrBackground = 0, HICON hIcon = 0);
// The program's entry: runs the application object's InitInstance and,
// when it returns TRUE, its message loop. Returns the exit code.
int AfxWinMain();
