// The screen-rotation dialog: turns the display to 0, 90, 180 or 270 degrees
// and records the angle in the registry.
#pragma once

#include "../shell/stdafx.h"

class CScreenRotate : public CDialog {
public:
    CScreenRotate(CWnd* pParent = NULL);
    virtual ~CScreenRotate();

    enum { IDD = IDD_SCREENROTATE };

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();

    afx_msg void OnBnClickedAngle();
    afx_msg void OnBnClickedOk();
    afx_msg void OnBnClickedCancel();
    DECLARE_MESSAGE_MAP()

private:
    int ApplyRotation();

    int m_nAngle;
    int m_nOrigAngle;
};
