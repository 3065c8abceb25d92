// The screen-saver dialog: chooses how long the panel may stay untouched
// before the backlight goes off, or never, and tells the backlight driver.
#pragma once

#include "../shell/picbutton.h"
#include "../shell/stdafx.h"

class CLcdTimeout : public CDialog {
public:
    CLcdTimeout(CWnd* pParent = NULL);
    virtual ~CLcdTimeout();

    enum { IDD = IDD_LCDTIMEOUT };

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();

    afx_msg void OnBnClickedOk();
    afx_msg void OnBnClickedCancel();
    afx_msg void OnBnClickedDec();
    afx_msg void OnBnClickedInc();
    afx_msg void OnCbnSelchangeTimeout();
    DECLARE_MESSAGE_MAP()

private:
    // Press handlers of the arrow buttons; the owner is the dialog.
    static void OnDecPressed(void* pOwner);
    static void OnIncPressed(void* pOwner);

    void UpdateTimeoutDisplay();
    void SaveAndNotify();

    DWORD m_nTimeout;  // seconds; 0xFFFFFFFF for "Never" and an unlisted time-out
    DWORD m_nOrigTimeout;
    DWORD m_nUseExt;      // 1: the time-out is in force, 0: never
    DWORD m_nOrigUseExt;  // as read at opening
    CString m_strStatus;
    CPicButton m_btnDec;
    CPicButton m_btnInc;
    int m_nIndex;  // entry of the table; 9 stands for an unlisted time-out
    int m_nSel;    // selection of the list, -1 for none
};
