// The registry dialog: save the running registry, back the machine's
// registry up into a file, or restore such a file and restart the device.
#pragma once

#include <afxcmn.h>

#include "../shell/stdafx.h"

class CRegistrySet : public CDialog {
public:
    CRegistrySet(CWnd* pParent = NULL);

    enum { IDD = IDD_REGISTRYSET };

    // The platform's save-to-file and replace entries, looked up in
    // "coredll.dll" on every call: their status, or -1 when unreachable.
    static LONG CallRegSaveKey(HKEY hKey, LPCTSTR lpFile, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
    static LONG CallRegReplaceKey(HKEY hKey, LPCTSTR lpSubKey, LPCTSTR lpNewFile, LPCTSTR lpOldFile);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();

    afx_msg void OnBnClickedSaveRegistry();
    afx_msg void OnBnClickedBackupRegistry();
    afx_msg void OnBnClickedRestoreRegistry();
    DECLARE_MESSAGE_MAP()

private:
    BOOL ChooseFile(CString& strPath);

    CProgressCtrl m_progress;
};
