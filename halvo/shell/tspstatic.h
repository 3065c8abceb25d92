// A text label whose background is the slice of its parent's background
// picture that lies under it, so its text looks written onto the picture.
#pragma once

#include "stdafx.h"

class CTSPStatic : public CStatic {
public:
    CTSPStatic();

    void SetBackground(UINT nBackgroundID);

    virtual BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xffff);

protected:
    virtual void PreSubclassWindow();
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    DECLARE_MESSAGE_MAP()

private:
    UINT m_nBackgroundID;
};
