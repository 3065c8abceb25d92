// The serial mode dialog.
#include "serialmode.h"

#include "../device/paneldriver.h"

#define COM1_PORT 1
#define COM3_PORT 3

BEGIN_MESSAGE_MAP(CSerialMode, CDialog)
ON_BN_CLICKED(IDC_COM1_RS232, &CSerialMode::OnBnClickedMode)
ON_BN_CLICKED(IDC_COM1_RS485, &CSerialMode::OnBnClickedMode)
ON_BN_CLICKED(IDC_COM1_RS422, &CSerialMode::OnBnClickedMode)
ON_BN_CLICKED(IDC_COM3_RS232, &CSerialMode::OnBnClickedMode)
ON_BN_CLICKED(IDC_COM3_RS485, &CSerialMode::OnBnClickedMode)
ON_BN_CLICKED(IDOK, &CSerialMode::OnBnClickedOk)
ON_BN_CLICKED(IDCANCEL, &CSerialMode::OnBnClickedCancel)
END_MESSAGE_MAP()

CSerialMode::CSerialMode(CWnd* pParent)
    : CDialog(CSerialMode::IDD, pParent), m_nCom1Mode(0), m_nOrigCom1Mode(0), m_nCom3Mode(0), m_nOrigCom3Mode(0) {}

void CSerialMode::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_COM1_RS232, m_nCom1Mode);
    DDX_Radio(pDX, IDC_COM3_RS232, m_nCom3Mode);
}

BOOL CSerialMode::OnInitDialog() {
    CDialog::OnInitDialog();

    // Without the driver the get requests supply nothing: each port keeps
    // the constructor's RS-232.
    DWORD dwCom1 = (DWORD)m_nCom1Mode;
    DWORD dwCom3 = (DWORD)m_nCom3Mode;
    GetSerialMode(&dwCom1, COM1_PORT);
    GetSerialMode(&dwCom3, COM3_PORT);
    m_nCom1Mode = m_nOrigCom1Mode = (int)dwCom1;
    m_nCom3Mode = m_nOrigCom3Mode = (int)dwCom3;
    UpdateData(FALSE);
    return TRUE;
}

void CSerialMode::OnBnClickedMode() {
    // The automatic radio buttons move the check mark themselves.
}

void CSerialMode::OnBnClickedOk() {
    UpdateData(TRUE);
    // A port whose reported mode has no button shows none checked and reads
    // back as -1: it is left alone rather than sent a mode that means nothing.
    if (m_nCom1Mode != m_nOrigCom1Mode && m_nCom1Mode >= 0) SetSerialMode((DWORD)m_nCom1Mode, COM1_PORT);
    if (m_nCom3Mode != m_nOrigCom3Mode && m_nCom3Mode >= 0) SetSerialMode((DWORD)m_nCom3Mode, COM3_PORT);
    OnOK();
}

void CSerialMode::OnBnClickedCancel() {
    OnCancel();
}
