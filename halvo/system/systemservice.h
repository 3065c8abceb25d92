// The system services dialog: the web server's root directory and the FTP
// server's directory, user list and switch.
#pragma once

#include "../shell/stdafx.h"

class CSystemService : public CDialog {
public:
    CSystemService(CWnd* pParent = NULL);

    enum { IDD = IDD_SYSTEMSERVICE };

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();

    afx_msg void OnBnClickedOk();
    afx_msg void OnBnClickedCancel();
    DECLARE_MESSAGE_MAP()

private:
    CString m_strWebDir;
    CString m_strFtpDir;
    CString m_strUserList;
    int m_nFtpOn;
};
