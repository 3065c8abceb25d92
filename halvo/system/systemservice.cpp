// The system services dialog.
#include "systemservice.h"

#include <string.h>

#include "../device/settings.h"

#define WEB_ROOT_KEY _T("Comm\\HTTPD\\VROOTS\\/")
#define FTP_KEY _T("Comm\\FTPD")

// Each text goes through a buffer of 256 characters (512 bytes); the fields
// take at most 255, so every stored value is a terminated text that fits.
#define SERVICE_TEXT_CHARS 256

BEGIN_MESSAGE_MAP(CSystemService, CDialog)
ON_BN_CLICKED(IDOK, &CSystemService::OnBnClickedOk)
ON_BN_CLICKED(IDCANCEL, &CSystemService::OnBnClickedCancel)
END_MESSAGE_MAP()

CSystemService::CSystemService(CWnd* pParent) : CDialog(CSystemService::IDD, pParent), m_nFtpOn(0) {}

void CSystemService::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_SERVICE_WEBDIR, m_strWebDir);
    DDX_Text(pDX, IDC_SERVICE_FTPDIR, m_strFtpDir);
    DDX_Text(pDX, IDC_SERVICE_USERLIST, m_strUserList);
    DDX_Check(pDX, IDC_SERVICE_FTPON, m_nFtpOn);
}

static void ReadText(HKEY hKey, LPCTSTR pszName, CString& str) {
    TCHAR szBuffer[SERVICE_TEXT_CHARS];
    szBuffer[0] = 0;
    GetRegString(hKey, pszName, szBuffer, sizeof(szBuffer));
    str = szBuffer;
}

static void WriteText(HKEY hKey, LPCTSTR pszName, const CString& str) {
    // The whole 512-byte buffer is written: the text, its terminator and
    // zeros after it.
    TCHAR szBuffer[SERVICE_TEXT_CHARS];
    memset(szBuffer, 0, sizeof(szBuffer));
    int nLength = str.GetLength();
    if (nLength > SERVICE_TEXT_CHARS - 1) nLength = SERVICE_TEXT_CHARS - 1;
    memcpy(szBuffer, (LPCTSTR)str, nLength * sizeof(TCHAR));
    SetRegString(hKey, pszName, szBuffer, sizeof(szBuffer));
}

BOOL CSystemService::OnInitDialog() {
    CDialog::OnInitDialog();

    static const int s_nEdits[] = {IDC_SERVICE_WEBDIR, IDC_SERVICE_FTPDIR, IDC_SERVICE_USERLIST};
    for (int i = 0; i < 3; i++) SendDlgItemMessage(m_hWnd, s_nEdits[i], EM_LIMITTEXT, SERVICE_TEXT_CHARS - 1, 0);

    HKEY hKey;
    if (OpenRegKey(HKEY_LOCAL_MACHINE, WEB_ROOT_KEY, &hKey)) {
        ReadText(hKey, _T("default"), m_strWebDir);
        CloseRegKey(hKey, 0);
    }
    if (OpenRegKey(HKEY_LOCAL_MACHINE, FTP_KEY, &hKey)) {
        ReadText(hKey, _T("DefaultDir"), m_strFtpDir);
        ReadText(hKey, _T("UserList"), m_strUserList);
        DWORD dwEnabled = 0;
        GetRegDword(hKey, _T("IsEnabled"), &dwEnabled);
        m_nFtpOn = dwEnabled != 0 ? 1 : 0;
        CloseRegKey(hKey, 0);
    }
    UpdateData(FALSE);
    return TRUE;
}

void CSystemService::OnBnClickedOk() {
    UpdateData(TRUE);

    HKEY hKey;
    if (OpenRegKey(HKEY_LOCAL_MACHINE, WEB_ROOT_KEY, &hKey)) {
        WriteText(hKey, _T("default"), m_strWebDir);
        CloseRegKey(hKey, 1);
    }
    if (OpenRegKey(HKEY_LOCAL_MACHINE, FTP_KEY, &hKey)) {
        WriteText(hKey, _T("DefaultDir"), m_strFtpDir);
        WriteText(hKey, _T("UserList"), m_strUserList);
        SetRegDword(hKey, _T("IsEnabled"), m_nFtpOn != 0 ? 1 : 0);
        CloseRegKey(hKey, 1);
    }
    OnOK();
}

void CSystemService::OnBnClickedCancel() {
    OnCancel();
}
