// The system information dialog: the image's information record and the
// device's MAC address.
#pragma once

#include "../shell/stdafx.h"

#define SYSTEM_INFO_FILE _T("\\windows\\info.civ")
#define SYSTEM_INFO_SIZE 708

// Reads the information record and formats it; 1 when the file could be
// opened (the output is untouched otherwise).
int ReadSystemInfo(CString& strInfo);

class CSystemVersion : public CDialog {
public:
    CSystemVersion(CWnd* pParent = NULL);

    enum { IDD = IDD_SYSTEMVERSION };

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();
    DECLARE_MESSAGE_MAP()

private:
    CString m_strVersion;
    CString m_strMac;
};
