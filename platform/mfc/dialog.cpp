// Modal dialogs of the framework and dialog data exchange.
//
// DoModal creates the dialog from its template without a modal loop of the
// window system's own, disables the owner and runs the framework's loop, so
// that PreTranslateMessage sees every message first, as the framework
// documents. Nested modal dialogs each run their own loop on the same thread.
#include <afxwin.h>

#include <cstring>
#include <string>

#include "ce_kernel.h"

void AfxHookWindowCreate(CWnd* pWnd);
void AfxUnhookWindowCreate();
void AfxDeleteTempWindows();

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() : m_nIDHelp(0), m_pParentWnd(nullptr) {}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

// The dialog procedure of every framework dialog: only the initialisation
// goes through it; everything else reaches the object by its subclassing.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        auto* pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
        if (pDlg) return pDlg->OnInitDialog();
        return TRUE;
    }
    return FALSE;
}

INT_PTR CDialog::DoModal() {
    HINSTANCE hInst = AfxGetInstanceHandle();
    HRSRC hRes = ::FindResource(hInst, MAKEINTRESOURCE(m_nIDHelp), RT_DIALOG);
    HGLOBAL hTemplate = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    auto* lpTemplate = static_cast<LPCDLGTEMPLATE>(hTemplate ? ::LockResource(hTemplate) : nullptr);
    if (!lpTemplate) return -1;

    // The owner: the given parent, or else the program's main window (unless
    // this dialog is the main window itself).
    CWnd* pOwner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    HWND hOwner = pOwner && pOwner != this ? pOwner->m_hWnd : nullptr;
    while (hOwner && (::GetWindowLong(hOwner, GWL_STYLE) & WS_CHILD)) hOwner = ::GetParent(hOwner);
    BOOL bEnableOwner = FALSE;
    if (hOwner && ::IsWindowEnabled(hOwner)) {
        ::EnableWindow(hOwner, FALSE);
        bEnableOwner = TRUE;
    }

    m_bContinueModal = TRUE;
    m_nModalResult = -1;
    AfxHookWindowCreate(this);
    HWND hDlg = ::CreateDialogIndirectParam(hInst, lpTemplate, hOwner, &AfxDlgProc, 0);
    AfxUnhookWindowCreate();

    if (hDlg && m_bContinueModal) {
        if (!(::GetWindowLong(hDlg, GWL_STYLE) & WS_VISIBLE)) ::ShowWindow(hDlg, SW_SHOW);
        MSG msg;
        while (m_bContinueModal) {
            if (!::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) AfxDeleteTempWindows();
            if (!::GetMessage(&msg, nullptr, 0, 0)) {
                // The program is ending: leave the quit for the outer loop.
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            bool handled = false;
            // The control's object, then the dialog, may take the message.
            for (HWND h = msg.hwnd; h && !handled; h = ::GetParent(h)) {
                if (CWnd* p = CWnd::FromHandlePermanent(h)) handled = p->PreTranslateMessage(&msg);
                if (h == hDlg) break;
            }
            if (!handled) {
                ::TranslateMessage(&msg);
                ::DispatchMessage(&msg);
            }
        }
    }

    // Give the owner back its input before this window goes, so the focus
    // returns to it.
    if (bEnableOwner) ::EnableWindow(hOwner, TRUE);
    if (hOwner && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(hOwner);
    if (m_hWnd) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        ::DestroyWindow(m_hWnd);
    }
    return m_nModalResult;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    // Enter, Escape and Tab work the dialog as the window system's dialog
    // manager does.
    if (m_hWnd && pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) return ::IsDialogMessage(m_hWnd, pMsg);
    return FALSE;
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CWnd::DefWindowProc(message, wParam, lParam);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    return CWnd::OnCommand(wParam, lParam);
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bContinueModal = FALSE;
    // Wake the modal loop if it is waiting for a message.
    if (m_hWnd) ::PostMessage(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::OnInitDialog() {
    // The template's initial control data first, so that the exchange can
    // select entries of the lists it fills.
    ExecuteDlgInit(MAKEINTRESOURCE(m_nIDHelp));
    UpdateData(FALSE);
    return TRUE;
}

// The table is the classic one: per entry a WORD control id, a WORD message,
// a DWORD data length and the data, packed without alignment; a 0 id ends it.
// The messages use the 16-bit numbering of that format: 0x403 adds a string
// (ANSI text with its terminator, read here as UTF-8) to a combo box.
// Messages this platform has no use for are skipped; an entry that runs past
// the end of the resource ends the walk.
BOOL CDialog::ExecuteDlgInit(LPCTSTR lpszResourceName) {
    constexpr WORD kComboAddString16 = 0x0403;
    HINSTANCE hInst = AfxGetInstanceHandle();
    HRSRC hRes = ::FindResource(hInst, lpszResourceName, RT_DLGINIT);
    if (!hRes) return TRUE;
    HGLOBAL hData = ::LoadResource(hInst, hRes);
    const auto* p = static_cast<const BYTE*>(hData ? ::LockResource(hData) : nullptr);
    const DWORD size = ::SizeofResource(hInst, hRes);
    if (!p) return TRUE;

    BOOL bSuccess = TRUE;
    DWORD at = 0;
    while (at + 2 <= size) {
        WORD nIDC, nMsg;
        DWORD dwLen;
        std::memcpy(&nIDC, p + at, 2);
        if (nIDC == 0 || at + 8 > size) break;
        std::memcpy(&nMsg, p + at + 2, 2);
        std::memcpy(&dwLen, p + at + 4, 4);
        at += 8;
        if (dwLen > size - at) break;
        if (nMsg == kComboAddString16) {
            const char* text = reinterpret_cast<const char*>(p + at);
            std::u16string wide = ce::FromUtf8(std::string_view(text, strnlen(text, dwLen)));
            if (::SendDlgItemMessage(m_hWnd, nIDC, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())) < 0)
                bSuccess = FALSE;
        }
        at += dwLen;
    }
    return bSuccess;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

// ---- Data exchange --------------------------------------------------------------

HWND CDataExchange::PrepareCtrl(int nIDC) {
    m_hWndLastControl = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    return PrepareCtrl(nIDC);
}

void CDataExchange::Fail() {
    if (m_hWndLastControl) ::SetFocus(m_hWndLastControl);
    m_bFailed = TRUE;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd == nullptr) {
        HWND h = pDX->PrepareCtrl(nIDC);
        if (h) rControl.SubclassWindow(h);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (!h) return;
    if (pDX->m_bSaveAndValidate) {
        int n = ::GetWindowTextLength(h);
        LPTSTR buf = value.GetBuffer(n + 1);
        ::GetWindowText(h, buf, n + 1);
        value.ReleaseBuffer();
    } else {
        ::SetWindowText(h, value);
    }
}

template <class T>
static void DDX_Number(CDataExchange* pDX, int nIDC, T& value, bool isSigned) {
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (!h) return;
    TCHAR buf[64];
    if (pDX->m_bSaveAndValidate) {
        ::GetWindowText(h, buf, 64);
        TCHAR* end = nullptr;
        long long v =
            isSigned ? static_cast<long long>(wcstol(buf, &end, 10)) : static_cast<long long>(wcstoul(buf, &end, 10));
        while (end && (*end == u' ' || *end == u'\t')) ++end;
        if (!end || end == buf || *end) {
            ::MessageBox(pDX->m_pDlgWnd ? pDX->m_pDlgWnd->m_hWnd : nullptr, u"Please enter an integer.", u"",
                         MB_OK | MB_ICONEXCLAMATION);
            pDX->Fail();
            return;
        }
        value = static_cast<T>(v);
    } else {
        if (isSigned)
            swprintf(buf, u"%d", static_cast<int>(value));
        else
            swprintf(buf, u"%u", static_cast<unsigned>(value));
        ::SetWindowText(h, buf);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    DDX_Number(pDX, nIDC, value, true);
}
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
    DDX_Number(pDX, nIDC, value, false);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    HWND h = pDX->PrepareCtrl(nIDC);
    if (!h) return;
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessage(h, BM_GETCHECK, 0, 0));
    else
        ::SendMessage(h, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
    HWND h = pDX->PrepareCtrl(nIDC);
    if (!h) return;
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessage(h, CB_GETCURSEL, 0, 0));
    else
        ::SendMessage(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    // nIDC is the first button of a group; the group runs in template order
    // up to the next control with WS_GROUP, and only its radio buttons count.
    HWND h = pDX->PrepareCtrl(nIDC);
    if (!h) return;
    if (pDX->m_bSaveAndValidate) value = -1;
    int index = 0;
    do {
        if (::SendMessage(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessage(h, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
            } else {
                ::SendMessage(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        h = ::GetWindow(h, GW_HWNDNEXT);
    } while (h && !(::GetWindowLong(h, GWL_STYLE) & WS_GROUP));
}
