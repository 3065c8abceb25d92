// The system information dialog.
#include "systemversion.h"

#include <string.h>

#include "paneldriver.h"

// Record layout: five UTF-16LE texts, then the version numbers.
#define INFO_USER_OFFSET 0
#define INFO_USER_SIZE 256
#define INFO_TEMPLATE_OFFSET 256
#define INFO_TEMPLATE_SIZE 64
#define INFO_IE_OFFSET 320
#define INFO_IE_SIZE 128
#define INFO_IMAGE_OFFSET 448
#define INFO_IMAGE_SIZE 128
#define INFO_NETCF_OFFSET 576
#define INFO_NETCF_SIZE 128
#define INFO_MAJOR_OFFSET 704
#define INFO_MINOR_OFFSET 705
#define INFO_BUILD_OFFSET 706

// A text field of the record, cut at the end of its space when it has no
// terminator inside it.
static CString FieldText(const BYTE* pRecord, int nOffset, int nSize) {
    WCHAR szText[INFO_USER_SIZE / sizeof(WCHAR) + 1];
    int nChars = nSize / (int)sizeof(WCHAR);
    for (int i = 0; i < nChars; i++)
        szText[i] = (WCHAR)(pRecord[nOffset + 2 * i] | (pRecord[nOffset + 2 * i + 1] << 8));
    szText[nChars] = 0;
    return CString(szText);
}

int ReadSystemInfo(CString& strInfo) {
    CFile file;
    if (!file.Open(SYSTEM_INFO_FILE, CFile::modeRead)) return 0;
    // A record shorter than its size reads as if the missing bytes were zero.
    BYTE record[SYSTEM_INFO_SIZE];
    memset(record, 0, sizeof(record));
    file.Read(record, SYSTEM_INFO_SIZE);
    file.Close();

    int nMajor = record[INFO_MAJOR_OFFSET];
    int nMinor = record[INFO_MINOR_OFFSET];
    int nBuild = record[INFO_BUILD_OFFSET] | (record[INFO_BUILD_OFFSET + 1] << 8);
    CString strUser = FieldText(record, INFO_USER_OFFSET, INFO_USER_SIZE);
    CString strImage = FieldText(record, INFO_IMAGE_OFFSET, INFO_IMAGE_SIZE);
    CString strNetCf = FieldText(record, INFO_NETCF_OFFSET, INFO_NETCF_SIZE);
    CString strIe = FieldText(record, INFO_IE_OFFSET, INFO_IE_SIZE);
    CString strTemplate = FieldText(record, INFO_TEMPLATE_OFFSET, INFO_TEMPLATE_SIZE);
    strInfo.Format(
        _T("User:%s\r\n\r\nVersion: %d.%d.%d\r\n\r\nImage version: %s\r\n\r\n")
        _T(".Net Compact Framework version: %s\r\n\r\nInternet Explorer version: %s\r\n\r\nTeplate: %s"),
        (LPCTSTR)strUser, nMajor, nMinor, nBuild, (LPCTSTR)strImage, (LPCTSTR)strNetCf, (LPCTSTR)strIe,
        (LPCTSTR)strTemplate);
    return 1;
}

BEGIN_MESSAGE_MAP(CSystemVersion, CDialog)
END_MESSAGE_MAP()

CSystemVersion::CSystemVersion(CWnd* pParent) : CDialog(CSystemVersion::IDD, pParent) {}

void CSystemVersion::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_SYSINFO_VERSION, m_strVersion);
    DDX_Text(pDX, IDC_SYSINFO_MAC, m_strMac);
}

BOOL CSystemVersion::OnInitDialog() {
    CDialog::OnInitDialog();

    BYTE mac[6];
    ReadMacAddress(mac);
    m_strMac.Format(_T("%02X"), mac[0]);
    for (int i = 1; i < 6; i++) m_strMac.AppendFormat(_T("-%02X"), mac[i]);

    ReadSystemInfo(m_strVersion);
    UpdateData(FALSE);
    return TRUE;
}
