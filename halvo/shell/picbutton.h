// A push button drawn from a two-frame picture strip (up, pressed), either
// as is or colour-keyed over the slice of its parent's background picture
// that lies under it. It can report the stylus going down and up on it.
#pragma once

#include "stdafx.h"

typedef void (*PICBUTTON_HANDLER)(void* pOwner);

class CPicButton : public CButton {
public:
    CPicButton();
    virtual ~CPicButton();

    // Plain form: the strip is copied as it is.
    void SetBitmap(UINT nBitmapID);
    // Colour-keyed form: pixels of a frame's key colour show the background.
    void SetBitmap(UINT nBitmapID, UINT nBackgroundID);

    void SetPressHandler(void* pOwner, PICBUTTON_HANDLER pfnHandler);
    void SetReleaseHandler(void* pOwner, PICBUTTON_HANDLER pfnHandler);

protected:
    virtual void PreSubclassWindow();
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnMove(int x, int y);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    DECLARE_MESSAGE_MAP()

private:
    void LoadBitmaps();
    void UpdatePlaceInParent();
    void DrawPicture(CDC* pDC, int x, int y, int w, int h, int sx, int sy, COLORREF crKey);

    int m_bTransparent;
    UINT m_nBitmapID;
    CBitmap m_bmpPicture;
    CDC m_dcPicture;
    UINT m_nBackgroundID;
    CBitmap m_bmpBackground;
    CDC m_dcBackground;
    CRect m_rcInParent;
    PICBUTTON_HANDLER m_pfnPress;
    void* m_pPressOwner;
    PICBUTTON_HANDLER m_pfnRelease;
    void* m_pReleaseOwner;
};
