// The framework's file dialog over GetOpenFileName / GetSaveFileName.
#include <cstring>

#include "afxdlgs.h"

CCommonDialog::CCommonDialog(CWnd* pParentWnd) : CDialog() {
    m_pParentWnd = pParentWnd;
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : CCommonDialog(pParentWnd), m_bOpenFileDialog(bOpenFileDialog) {
    std::memset(&m_ofn, 0, sizeof m_ofn);
    m_szFileName[0] = 0;
    m_szFileTitle[0] = 0;
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = sizeof m_szFileTitle / sizeof m_szFileTitle[0];
    m_ofn.lpstrDefExt = lpszDefExt;
    m_ofn.Flags = dwFlags;
    m_ofn.hInstance = AfxGetInstanceHandle();
    if (lpszFileName) {
        size_t n = 0;
        while (lpszFileName[n] && n < MAX_PATH - 1) {
            m_szFileName[n] = lpszFileName[n];
            ++n;
        }
        m_szFileName[n] = 0;
    }
    if (lpszFilter) {
        // "A|*.a|B|*.b||" becomes "A\0*.a\0B\0*.b\0\0": every bar a NUL.
        m_strFilter = lpszFilter;
        int n = m_strFilter.GetLength();
        LPTSTR p = m_strFilter.GetBuffer(n + 1);
        for (int i = 0; i < n; i++)
            if (p[i] == _T('|')) p[i] = 0;
        p[n] = 0;
        m_strFilter.ReleaseBuffer(n);
        m_ofn.lpstrFilter = m_strFilter.GetString();
    }
}

CFileDialog::~CFileDialog() = default;

INT_PTR CFileDialog::DoModal() {
    // The owner: the given parent's top-level window, else the program's
    // active window when it is one of its own (the dialog that asked), else
    // its main window.
    HWND hOwner = nullptr;
    if (m_pParentWnd) {
        hOwner = m_pParentWnd->GetSafeHwnd();
    } else {
        CWnd* pMain = AfxGetMainWnd();
        HWND hMain = pMain ? pMain->GetSafeHwnd() : nullptr;
        HWND hActive = ::GetActiveWindow();
        hOwner = hActive ? hActive : hMain;
    }
    while (hOwner && (::GetWindowLong(hOwner, GWL_STYLE) & WS_CHILD)) hOwner = ::GetParent(hOwner);
    m_ofn.hwndOwner = hOwner;
    if (m_ofn.lpstrFileTitle) m_ofn.lpstrFileTitle[0] = 0;
    BOOL bOk = m_bOpenFileDialog ? ::GetOpenFileName(&m_ofn) : ::GetSaveFileName(&m_ofn);
    return bOk ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const {
    return CString(m_ofn.lpstrFile);
}

CString CFileDialog::GetFileName() const {
    CString path = GetPathName();
    return path.Mid(path.ReverseFind(_T('\\')) + 1);
}

CString CFileDialog::GetFileExt() const {
    CString name = GetFileName();
    int dot = name.ReverseFind(_T('.'));
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const {
    CString name = GetFileName();
    int dot = name.ReverseFind(_T('.'));
    return dot < 0 ? name : name.Left(dot);
}
