// The serial mode dialog: the electrical interface of COM1 and COM3.
#pragma once

#include "../shell/stdafx.h"

class CSerialMode : public CDialog {
public:
    CSerialMode(CWnd* pParent = NULL);

    enum { IDD = IDD_SERIALMODE };

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();

    afx_msg void OnBnClickedMode();
    afx_msg void OnBnClickedOk();
    afx_msg void OnBnClickedCancel();
    DECLARE_MESSAGE_MAP()

private:
    int m_nCom1Mode;
    int m_nOrigCom1Mode;
    int m_nCom3Mode;
    int m_nOrigCom3Mode;
};
