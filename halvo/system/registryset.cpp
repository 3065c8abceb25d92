// The registry dialog.
#include "registryset.h"

#include <afxdlgs.h>

#define REG_WORK_COPY _T("\\StorageCard\\regbackup.bak1")
#define REG_FILE_FILTER _T("Text Files(*.bak)|*.bak|All Files(*.*)|*.*||")

typedef LONG (*PFN_REGSAVEKEY)(HKEY, LPCTSTR, LPSECURITY_ATTRIBUTES);
typedef LONG (*PFN_REGREPLACEKEY)(HKEY, LPCTSTR, LPCTSTR, LPCTSTR);

BEGIN_MESSAGE_MAP(CRegistrySet, CDialog)
ON_BN_CLICKED(IDC_REGISTRY_SAVE, &CRegistrySet::OnBnClickedSaveRegistry)
ON_BN_CLICKED(IDC_REGISTRY_BACKUP, &CRegistrySet::OnBnClickedBackupRegistry)
ON_BN_CLICKED(IDC_REGISTRY_RESTORE, &CRegistrySet::OnBnClickedRestoreRegistry)
END_MESSAGE_MAP()

CRegistrySet::CRegistrySet(CWnd* pParent) : CDialog(CRegistrySet::IDD, pParent) {}

void CRegistrySet::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_REGISTRY_PROGRESS, m_progress);
}

BOOL CRegistrySet::OnInitDialog() {
    CDialog::OnInitDialog();
    m_progress.SetRange(0, 100);
    m_progress.SetPos(0);
    return TRUE;
}

LONG CRegistrySet::CallRegSaveKey(HKEY hKey, LPCTSTR lpFile, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    HMODULE hCore = LoadLibrary(_T("coredll.dll"));
    if (hCore == NULL) return -1;
    PFN_REGSAVEKEY pfnSave = (PFN_REGSAVEKEY)GetProcAddress(hCore, _T("RegSaveKey"));
    LONG lResult = pfnSave != NULL ? pfnSave(hKey, lpFile, lpSecurityAttributes) : -1;
    FreeLibrary(hCore);
    return lResult;
}

LONG CRegistrySet::CallRegReplaceKey(HKEY hKey, LPCTSTR lpSubKey, LPCTSTR lpNewFile, LPCTSTR lpOldFile) {
    HMODULE hCore = LoadLibrary(_T("coredll.dll"));
    if (hCore == NULL) return -1;
    PFN_REGREPLACEKEY pfnReplace = (PFN_REGREPLACEKEY)GetProcAddress(hCore, _T("RegReplaceKey"));
    LONG lResult = pfnReplace != NULL ? pfnReplace(hKey, lpSubKey, lpNewFile, lpOldFile) : -1;
    FreeLibrary(hCore);
    return lResult;
}

void CRegistrySet::OnBnClickedSaveRegistry() {
    CWnd* pSave = GetDlgItem(IDC_REGISTRY_SAVE);
    pSave->EnableWindow(FALSE);

    RegFlushKey(HKEY_LOCAL_MACHINE);
    RegFlushKey(HKEY_CURRENT_USER);

    // The bar follows the flush, which is complete by now.
    for (int i = 0; i < 100; i++) m_progress.SetPos(i);

    MessageBox(_T("Registry save successful!"));
    pSave->EnableWindow(TRUE);
    m_progress.SetPos(0);
}

// The save-style file dialog both operations use; TRUE with the chosen full
// path when the user left it with OK.
BOOL CRegistrySet::ChooseFile(CString& strPath) {
    CFileDialog dlg(FALSE, NULL, NULL, OFN_HIDEREADONLY, REG_FILE_FILTER);
    if (dlg.DoModal() != IDOK) return FALSE;
    strPath = dlg.GetPathName();
    return TRUE;
}

void CRegistrySet::OnBnClickedBackupRegistry() {
    CString strPath;
    if (!ChooseFile(strPath)) return;
    if (CallRegSaveKey(HKEY_LOCAL_MACHINE, strPath, NULL) == 0)
        MessageBox(_T("Registry backup successful!"));
    else
        MessageBox(_T("Registry backup failed!"));
}

void CRegistrySet::OnBnClickedRestoreRegistry() {
    CString strPath;
    if (!ChooseFile(strPath)) return;

    if (!CopyFile(strPath, REG_WORK_COPY, FALSE)) {
        MessageBox(_T("Registry replace failed!\nCopyFile"));
        return;
    }
    LONG lResult = CallRegReplaceKey(HKEY_LOCAL_MACHINE, NULL, REG_WORK_COPY, NULL);
    // The working copy goes back to the chosen name whatever the replace
    // did; the move never replaces an existing file.
    MoveFile(REG_WORK_COPY, strPath);
    if (lResult != 0) {
        MessageBox(_T("Registry replace failed!\nMoveFile"));
        return;
    }
    MessageBox(_T("Registry replace successful!\nReboot the system now!"));
    KernelIoControl(IOCTL_HAL_REBOOT, NULL, 0, NULL, 0, NULL);
}
