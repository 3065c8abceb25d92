// The application framework for programs: core classes (afx.h), geometry
// (afxtypes.h), drawing (afxgdi.h) and the window classes.
#pragma once

#include "afx.h"
#include "afxgdi.h"
#include "afxres.h"
#include "afxtypes.h"
#include "windows.h"
#include "wingdi.h"
#include "winres.h"
#include "winuser.h"

// ---- Window classes --------------------------------------------------------------

#include "afxwnd.h"

// Drawing contexts of a window: the paint DC of WM_PAINT, the client-area DC
// and the whole-window DC. Each gives its DC back when it goes.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

class CWindowDC : public CDC {
public:
    explicit CWindowDC(CWnd* pWnd);
    ~CWindowDC() override;

protected:
    HWND m_hWnd;
};
