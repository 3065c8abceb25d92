// The framework's common dialogs: the file dialog.
#pragma once

#include "afxwin.h"
#include "commdlg.h"

class CCommonDialog : public CDialog {
public:
    explicit CCommonDialog(CWnd* pParentWnd);
};

// Runs the open or save file dialog. The filter is written in the
// framework's notation, pairs separated by '|' and ended by "||":
// "Text Files(*.txt)|*.txt|All Files(*.*)|*.*||".
class CFileDialog : public CCommonDialog {
public:
    explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = NULL, LPCTSTR lpszFileName = NULL,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = NULL,
                         CWnd* pParentWnd = NULL);
    ~CFileDialog() override;

    // IDOK when a file was chosen, else IDCANCEL (CommDlgExtendedError tells
    // a failure from a cancel).
    INT_PTR DoModal() override;

    CString GetPathName() const;   // "\StorageCard\backup.bak"
    CString GetFileName() const;   // "backup.bak"
    CString GetFileExt() const;    // "bak"
    CString GetFileTitle() const;  // "backup"

    OPENFILENAME m_ofn;

protected:
    BOOL m_bOpenFileDialog;
    CString m_strFilter;  // the filter with its separators made NULs
    TCHAR m_szFileTitle[64];
    TCHAR m_szFileName[MAX_PATH];
};
