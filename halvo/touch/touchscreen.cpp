// The touch-screen settings dialog.
#include "touchscreen.h"

typedef BOOL (*PFN_TOUCHCALIBRATE)(void);

BEGIN_MESSAGE_MAP(CTouchScreen, CDialog)
ON_BN_CLICKED(IDC_TOUCH_CALIBRATE, &CTouchScreen::OnBnClickedCalibrate)
ON_BN_CLICKED(IDC_TOUCH_TEST, &CTouchScreen::OnBnClickedTest)
END_MESSAGE_MAP()

CTouchScreen::CTouchScreen(CWnd* pParent) : CDialog(CTouchScreen::IDD, pParent) {}

CTouchScreen::~CTouchScreen() {}

void CTouchScreen::OnBnClickedCalibrate() {
    CallTouchCalibrate();
}

// The calibration screen belongs to the system: its entry is looked up in
// coredll anew on every press and runs until the user has finished.
int CTouchScreen::CallTouchCalibrate() {
    HINSTANCE hApiDll = LoadLibrary(_T("coredll.dll"));
    if (hApiDll == NULL) return AfxMessageBox(_T("ApiDLL == NULL"), MB_OK);

    PFN_TOUCHCALIBRATE pfnTouchCalibrate = (PFN_TOUCHCALIBRATE)GetProcAddress(hApiDll, _T("TouchCalibrate"));
    if (pfnTouchCalibrate == NULL) {
        FreeLibrary(hApiDll);
        return AfxMessageBox(_T("TouchCalibrate == NULL"), MB_OK);
    }

    int nResult = pfnTouchCalibrate();
    FreeLibrary(hApiDll);
    return nResult;
}

void CTouchScreen::OnBnClickedTest() {
    if (::IsWindow(m_wndTest.GetSafeHwnd())) {
        m_wndTest.SetForegroundWindow();
        return;
    }

    if (!m_wndTest.CreateEx(0, NULL, NULL, 0, 0, 0, 0, 0, NULL, NULL)) {
        MessageBox(_T("Create window failed"), NULL, MB_OK);
        return;
    }

    m_wndTest.ShowWindow(SW_SHOW);
    m_wndTest.UpdateWindow();
}
