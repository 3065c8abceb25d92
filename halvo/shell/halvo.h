// The control panel's application object.
#pragma once

#include "stdafx.h"

class CHalvoApp : public CWinApp {
public:
    CHalvoApp();

    virtual BOOL InitInstance();

    DECLARE_MESSAGE_MAP()
};

extern CHalvoApp theApp;
