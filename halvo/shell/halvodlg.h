// The main panel: title strip, background picture and nine picture buttons
// with their labels. It is dragged by its background and its labels.
#pragma once

#include "picbutton.h"
#include "stdafx.h"
#include "tspstatic.h"

#define PANEL_ITEM_COUNT 9
#define PANEL_WIDTH 450
#define PANEL_HEIGHT 320
#define PANEL_BUTTON_SIZE 48

// One item of the panel: its button, picture and label and where they go
// (pixels in the panel's client area).
struct PANEL_ITEM {
    UINT nButtonID;
    UINT nBitmapID;
    POINT ptButton;
    UINT nLabelID;
    POINT ptLabel;
};

class CHalvoDlg : public CDialog {
public:
    CHalvoDlg(CWnd* pParent = NULL);

    enum { IDD = IDD_HALVO_DIALOG };

    // Sizes the panel to 450 x 320 and centres it on the screen.
    void CenterPanel();

    static const PANEL_ITEM s_panelItems[PANEL_ITEM_COUNT];

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnBnClickedTouchScreen();
    afx_msg void OnBnClickedBrightness();
    afx_msg void OnBnClickedSerialPort();
    afx_msg void OnBnClickedSystemInformation();
    afx_msg void OnBnClickedScreenSaver();
    afx_msg void OnBnClickedScreenRotate();
    afx_msg void OnBnClickedSystemService();
    afx_msg void OnBnClickedRegistrySave();
    afx_msg void OnBnClickedQuit();
    DECLARE_MESSAGE_MAP()

private:
    void MovePanelTo(CPoint pt);

    CBitmap m_bmpTitle;
    HBITMAP m_hOldTitle;
    CBitmap m_bmpBackground;
    HBITMAP m_hOldBackground;
    CDC m_dcTitle;
    CDC m_dcBackground;
    CPicButton m_btnItem[PANEL_ITEM_COUNT];
    CTSPStatic m_lblItem[PANEL_ITEM_COUNT];
    HICON m_hIcon;
};
