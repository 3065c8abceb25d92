// The touch-screen settings dialog: hands the screen to the system's touch
// calibration, or opens the touch test window.
#pragma once

#include "../shell/stdafx.h"
#include "testposwnd.h"

class CTouchScreen : public CDialog {
public:
    CTouchScreen(CWnd* pParent = NULL);
    virtual ~CTouchScreen();

    enum { IDD = IDD_TOUCHSCREEN };

protected:
    afx_msg void OnBnClickedCalibrate();
    afx_msg void OnBnClickedTest();
    DECLARE_MESSAGE_MAP()

private:
    int CallTouchCalibrate();

    CTestPosWnd m_wndTest;
};
