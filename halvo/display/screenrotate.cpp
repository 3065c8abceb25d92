// The screen-rotation dialog.
#include "screenrotate.h"

#include <string.h>

#include "../device/settings.h"
#include "../shell/halvodlg.h"

#define ROTATE_ANGLE_VALUE _T("RotateAngle")

// Radio index -> angle stored and orientation passed to the display.
static const DWORD s_dwAngles[4] = {0, 90, 180, 270};
static const DWORD s_dwOrientations[4] = {DMDO_0, DMDO_90, DMDO_180, DMDO_270};

BEGIN_MESSAGE_MAP(CScreenRotate, CDialog)
ON_BN_CLICKED(IDC_ROTATE_0, &CScreenRotate::OnBnClickedAngle)
ON_BN_CLICKED(IDC_ROTATE_90, &CScreenRotate::OnBnClickedAngle)
ON_BN_CLICKED(IDC_ROTATE_180, &CScreenRotate::OnBnClickedAngle)
ON_BN_CLICKED(IDC_ROTATE_270, &CScreenRotate::OnBnClickedAngle)
ON_BN_CLICKED(IDOK, &CScreenRotate::OnBnClickedOk)
ON_BN_CLICKED(IDCANCEL, &CScreenRotate::OnBnClickedCancel)
END_MESSAGE_MAP()

// No angle in force is known until the dialog has read one: then any
// selected button counts as a change.
CScreenRotate::CScreenRotate(CWnd* pParent) : CDialog(CScreenRotate::IDD, pParent), m_nAngle(-1), m_nOrigAngle(-1) {}

CScreenRotate::~CScreenRotate() {}

void CScreenRotate::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_ROTATE_0, m_nAngle);
}

BOOL CScreenRotate::OnInitDialog() {
    CDialog::OnInitDialog();

    HKEY hKey;
    if (!OpenRegKey(HKEY_LOCAL_MACHINE, EXTPART_KEY, &hKey)) return FALSE;
    DWORD dwAngle = 0xFFFFFFFF;
    int nRead = GetRegDword(hKey, ROTATE_ANGLE_VALUE, &dwAngle);
    CloseRegKey(hKey, 0);

    int nIndex = -1;
    for (int i = 0; nRead && i < 4; i++) {
        if (dwAngle == s_dwAngles[i]) nIndex = i;
    }
    m_nAngle = nIndex;
    m_nOrigAngle = nIndex;
    UpdateData(FALSE);
    return TRUE;
}

void CScreenRotate::OnBnClickedAngle() {
    // The automatic radio buttons select themselves.
}

int CScreenRotate::ApplyRotation() {
    UpdateData(TRUE);
    if (m_nAngle == m_nOrigAngle) return 1;

    int nIndex = (m_nAngle >= 1 && m_nAngle <= 3) ? m_nAngle : 0;
    DEVMODE dm;
    memset(&dm, 0, sizeof(dm));
    dm.dmSize = sizeof(dm);
    dm.dmFields = DM_DISPLAYORIENTATION;
    dm.dmDisplayOrientation = s_dwOrientations[nIndex];
    if (ChangeDisplaySettingsEx(NULL, &dm, NULL, CDS_RESET, NULL) != DISP_CHANGE_SUCCESSFUL) return 0;

    HKEY hKey;
    if (!OpenRegKey(HKEY_LOCAL_MACHINE, EXTPART_KEY, &hKey)) return 0;
    m_nOrigAngle = m_nAngle;
    SetRegDword(hKey, ROTATE_ANGLE_VALUE, s_dwAngles[nIndex]);
    CloseRegKey(hKey, 1);
    return 1;
}

void CScreenRotate::OnBnClickedOk() {
    ApplyRotation();

    // The screen may have turned: the panel centres itself on it again.
    CHalvoDlg* pPanel = dynamic_cast<CHalvoDlg*>(GetParent());
    if (pPanel != NULL) pPanel->CenterPanel();
    OnOK();
}

void CScreenRotate::OnBnClickedCancel() {
    OnCancel();
}
