// The screen-saver dialog.
#include "lcdtimeout.h"

#include "../device/settings.h"

#define TIMEOUT_NEVER 0xFFFFFFFF
#define INDEX_NEVER 8
#define INDEX_UNLISTED 9
#define BUTTON_SIZE 48

// The time-outs of the list's entries, in the list's order.
static const DWORD s_timeoutTable[] = {15, 30, 60, 120, 300, 600, 900, 1800, TIMEOUT_NEVER};

BEGIN_MESSAGE_MAP(CLcdTimeout, CDialog)
ON_BN_CLICKED(IDOK, &CLcdTimeout::OnBnClickedOk)
ON_BN_CLICKED(IDCANCEL, &CLcdTimeout::OnBnClickedCancel)
ON_BN_CLICKED(IDC_SAVER_DEC, &CLcdTimeout::OnBnClickedDec)
ON_BN_CLICKED(IDC_SAVER_INC, &CLcdTimeout::OnBnClickedInc)
ON_CBN_SELCHANGE(IDC_SAVER_TIMEOUT, &CLcdTimeout::OnCbnSelchangeTimeout)
END_MESSAGE_MAP()

// Until the stored settings are read the dialog stands on "Never", so that a
// missing key or value opens there rather than on whatever was in memory.
CLcdTimeout::CLcdTimeout(CWnd* pParent)
    : CDialog(CLcdTimeout::IDD, pParent),
      m_nTimeout(TIMEOUT_NEVER),
      m_nOrigTimeout(TIMEOUT_NEVER),
      m_nUseExt(0),
      m_nOrigUseExt(0),
      m_nIndex(INDEX_NEVER),
      m_nSel(0) {}

CLcdTimeout::~CLcdTimeout() {}

void CLcdTimeout::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_SAVER_STATUS, m_strStatus);
    DDX_CBIndex(pDX, IDC_SAVER_TIMEOUT, m_nSel);
    DDX_Control(pDX, IDC_SAVER_DEC, m_btnDec);
    DDX_Control(pDX, IDC_SAVER_INC, m_btnInc);
}

BOOL CLcdTimeout::OnInitDialog() {
    CDialog::OnInitDialog();

    m_btnDec.SetBitmap(IDB_LEFT);
    m_btnInc.SetBitmap(IDB_RIGHT);
    m_btnDec.SetWindowPos(NULL, 0, 0, BUTTON_SIZE, BUTTON_SIZE, SWP_NOMOVE | SWP_NOZORDER);
    m_btnInc.SetWindowPos(NULL, 0, 0, BUTTON_SIZE, BUTTON_SIZE, SWP_NOMOVE | SWP_NOZORDER);
    m_btnDec.SetPressHandler(this, &CLcdTimeout::OnDecPressed);
    m_btnInc.SetPressHandler(this, &CLcdTimeout::OnIncPressed);

    // A missing key or value leaves these as they are: "Never".
    m_nTimeout = TIMEOUT_NEVER;
    m_nUseExt = 0;
    ReadBacklightTimeout(&m_nTimeout, &m_nUseExt);

    if (m_nUseExt) {
        m_nIndex = INDEX_UNLISTED;
        for (int i = 0; i < INDEX_NEVER; i++) {
            if (m_nTimeout == s_timeoutTable[i]) {
                m_nIndex = i;
                break;
            }
        }
    } else {
        m_nIndex = INDEX_NEVER;
    }

    m_nOrigUseExt = m_nUseExt;
    m_nTimeout = m_nIndex < INDEX_UNLISTED ? s_timeoutTable[m_nIndex] : TIMEOUT_NEVER;
    m_nOrigTimeout = m_nTimeout;

    UpdateTimeoutDisplay();
    return TRUE;
}

void CLcdTimeout::UpdateTimeoutDisplay() {
    if (m_nIndex >= INDEX_UNLISTED) {
        // An unlisted time-out keeps the flag it had.
        m_strStatus = _T("ACTimeout:-----");
        m_nTimeout = TIMEOUT_NEVER;
        m_nSel = -1;
    } else {
        m_nTimeout = s_timeoutTable[m_nIndex];
        if (m_nTimeout == TIMEOUT_NEVER) {
            m_nUseExt = 0;
            m_strStatus = _T("ACTimeout:Never");
            m_nSel = INDEX_NEVER;
        } else {
            m_nUseExt = 1;
            m_nSel = m_nIndex;
            if (m_nTimeout >= 60)
                m_strStatus.Format(_T("ACTimeout:%d Min"), (int)(m_nTimeout / 60));
            else
                m_strStatus.Format(_T("ACTimeout:%d Sec"), (int)m_nTimeout);
        }
    }
    UpdateData(FALSE);
}

void CLcdTimeout::OnDecPressed(void* pOwner) {
    CLcdTimeout* pDlg = static_cast<CLcdTimeout*>(pOwner);
    if (pDlg->m_nIndex > 0) pDlg->m_nIndex--;
    pDlg->UpdateTimeoutDisplay();
}

void CLcdTimeout::OnIncPressed(void* pOwner) {
    CLcdTimeout* pDlg = static_cast<CLcdTimeout*>(pOwner);
    if (pDlg->m_nIndex < INDEX_NEVER) pDlg->m_nIndex++;
    pDlg->UpdateTimeoutDisplay();
}

// The arrow buttons act on the press; their clicks have nothing to do.
void CLcdTimeout::OnBnClickedDec() {}

void CLcdTimeout::OnBnClickedInc() {}

// Only a change of the list's selection counts; text typed into the field
// changes nothing.
void CLcdTimeout::OnCbnSelchangeTimeout() {
    UpdateData(TRUE);
    if (m_nSel < 0 || m_nSel >= INDEX_UNLISTED)
        m_nIndex = INDEX_UNLISTED;
    else
        m_nIndex = m_nSel;
    UpdateTimeoutDisplay();
}

void CLcdTimeout::SaveAndNotify() {
    WriteBacklightTimeout(m_nTimeout, m_nUseExt);

    // The backlight driver picks the new settings up when its event is set;
    // without the driver there is no one to tell.
    HANDLE hEvent = OpenEvent(EVENT_ALL_ACCESS, FALSE, _T("BackLightChangeEvent"));
    if (hEvent != NULL) {
        SetEvent(hEvent);
        CloseHandle(hEvent);
    }
}

void CLcdTimeout::OnBnClickedOk() {
    if (m_nTimeout != m_nOrigTimeout || m_nUseExt != m_nOrigUseExt) SaveAndNotify();
    OnOK();
}

// A changed choice is taken back by writing the opening values again.
void CLcdTimeout::OnBnClickedCancel() {
    if (m_nTimeout != m_nOrigTimeout || m_nUseExt != m_nOrigUseExt) {
        m_nTimeout = m_nOrigTimeout;
        m_nUseExt = m_nOrigUseExt;
        SaveAndNotify();
    }
    OnCancel();
}
