// The brightness dialog: steps the LCD backlight up and down, live, while an
// arrow button is tapped or held, and records the level on OK.
#pragma once

#include <afxcmn.h>

#include "../shell/picbutton.h"
#include "../shell/stdafx.h"

// Posted by the auto-repeat worker to show a new level (wParam).
#define WM_BRIGHTNESS_SHOWLEVEL (WM_APP + 1)

class CBrightness : public CDialog {
public:
    CBrightness(CWnd* pParent = NULL);
    virtual ~CBrightness();

    enum { IDD = IDD_BRIGHTNESS };

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();

    afx_msg void OnBnClickedOk();
    afx_msg void OnBnClickedCancel();
    afx_msg LRESULT OnShowLevel(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    static void OnDecPressed(void* pOwner);
    static void OnIncPressed(void* pOwner);
    static void OnArrowReleased(void* pOwner);
    static DWORD WINAPI RepeatThreadProc(LPVOID pParam);

    void Press(LONG nDirection);
    void Step();
    void StepDown();
    void StepUp();
    void ShowLevel(DWORD nLevel);
    void StartRepeatThread();
    void StopRepeatThread();

    CPicButton m_btnDec;
    CPicButton m_btnInc;
    CProgressCtrl m_progress;
    DWORD m_nLevel;
    DWORD m_nOrigLevel;
    HANDLE m_hRepeatThread;
    HANDLE m_hWakeEvent;
    HANDLE m_hQuitEvent;
    HANDLE m_hHeldEvent;
    // 1 = darker, 0 = brighter. Written by a press on the UI thread while the
    // worker may be stepping, so both sides go through the interlocked calls.
    LONG volatile m_nDirection;
    // 1 from a press until the worker takes it (interlocked): a press that
    // the stop overtakes still makes its step.
    LONG volatile m_nPressPending;
};
