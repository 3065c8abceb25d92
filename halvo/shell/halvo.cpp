// The control panel's application object: the whole program is the modal run
// of the main panel.
#include "halvo.h"

#include "halvodlg.h"

BEGIN_MESSAGE_MAP(CHalvoApp, CWinApp)
END_MESSAGE_MAP()

CHalvoApp::CHalvoApp() {}

// The one application object.
CHalvoApp theApp;

BOOL CHalvoApp::InitInstance() {
    CHalvoDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // The panel has ended: returning FALSE ends the program without a
    // message loop of the application's own.
    return FALSE;
}
