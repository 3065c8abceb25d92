// The touch test window: a full-screen, top-most window that shows a
// cross-hair at every touch until it is double-tapped.
#pragma once

#include "../shell/stdafx.h"

class CTestPosWnd : public CWnd {
public:
    CTestPosWnd();
    virtual ~CTestPosWnd();

protected:
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);

    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    HICON m_hCrossIcon;
    POINT m_ptTouch;
};
