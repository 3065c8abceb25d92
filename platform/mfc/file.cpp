// Exceptions and CFile over the kernel's file API.
#include <algorithm>

#include "afx.h"

// ---- Exceptions ------------------------------------------------------------------

namespace {
// Set by operator new for the constructor that runs next on this thread.
thread_local bool t_constructingOnHeap = false;
}  // namespace

void* CException::operator new(size_t size) {
    void* p = ::operator new(size);
    t_constructingOnHeap = true;
    return p;
}

void CException::operator delete(void* p) noexcept {
    ::operator delete(p);
}

CException::CException(BOOL bAutoDelete) : m_bAutoDelete(bAutoDelete), m_bOnHeap(t_constructingOnHeap) {
    t_constructingOnHeap = false;
}

void CException::Delete() {
    if (m_bAutoDelete && m_bOnHeap) delete this;
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    if (!lpszError || nMaxError == 0) return FALSE;
    lpszError[0] = 0;
    return FALSE;
}

int CFileException::OsErrorToException(LONG lOsError) {
    switch (lOsError) {
        case NO_ERROR:
            return none;
        case ERROR_FILE_NOT_FOUND:
            return fileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY:
            return badPath;
        case ERROR_TOO_MANY_OPEN_FILES:
            return tooManyOpenFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return accessDenied;
        case ERROR_INVALID_HANDLE:
            return invalidFile;
        case ERROR_DIR_NOT_EMPTY:
            return removeCurrentDir;
        case ERROR_NEGATIVE_SEEK:
            return badSeek;
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
            return hardIO;
        case ERROR_SHARING_VIOLATION:
            return sharingViolation;
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_DISK_FULL:
        case ERROR_FILE_TOO_LARGE:
            return diskFull;
        case ERROR_HANDLE_EOF:
            return endOfFile;
        default:
            return genericException;
    }
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName) {
    if (lOsError != NO_ERROR) AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    if (!lpszError || nMaxError == 0) return FALSE;
    static const TCHAR* const kText[] = {
        u"No error occurred.",
        u"An unexpected error occurred while accessing %s.",
        u"%s was not found.",
        u"%s contains an incorrect path.",
        u"%s could not be opened because there are too many open files.",
        u"Access to %s was denied.",
        u"An incorrect file handle was associated with %s.",
        u"%s could not be removed because it is the current directory.",
        u"%s could not be created because the directory is full.",
        u"Seek failed on %s.",
        u"A hardware I/O error was reported while accessing %s.",
        u"A sharing violation occurred while accessing %s.",
        u"A locking violation occurred while accessing %s.",
        u"Disk full while accessing %s.",
        u"An attempt was made to access %s past its end.",
    };
    int cause = (m_cause >= none && m_cause <= endOfFile) ? m_cause : genericException;
    CString text;
    text.Format(kText[cause], m_strFileName.IsEmpty() ? u"an unnamed file" : m_strFileName.GetString());
    lstrcpyn(lpszError, text, static_cast<int>(std::min<UINT>(nMaxError, 0x7FFFFFFF)));
    return TRUE;
}

void AFXAPI AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName) {
    throw new CFileException(cause, lOsError, lpszFileName);
}

// ---- CFile -------------------------------------------------------------------------

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

namespace {

// The kernel's error of the last call, never 0 (a failure without a code is
// reported as a generic one).
LONG LastError() {
    DWORD e = GetLastError();
    return e ? static_cast<LONG>(e) : static_cast<LONG>(ERROR_GEN_FAILURE);
}

}  // namespace

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE hFile) : m_hFile(hFile ? hFile : hFileNull), m_bCloseOnDelete(m_hFile != hFileNull) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : CFile() {
    CFileException e;
    if (!Open(lpszFileName, nOpenFlags, &e)) AfxThrowFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
}

CFile::~CFile() {
    if (m_hFile != hFileNull && m_bCloseOnDelete) Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    auto fail = [&](LONG err) {
        if (pError) {
            pError->m_cause = CFileException::OsErrorToException(err);
            pError->m_lOsError = err;
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    };
    // A CFile opens one file at a time.
    if (m_hFile != hFileNull) return fail(ERROR_INVALID_HANDLE);
    if (!lpszFileName || !*lpszFileName) return fail(ERROR_INVALID_NAME);

    DWORD access = 0;
    switch (nOpenFlags & 3) {
        case modeRead:
            access = GENERIC_READ;
            break;
        case modeWrite:
            access = GENERIC_WRITE;
            break;
        case modeReadWrite:
            access = GENERIC_READ | GENERIC_WRITE;
            break;
        default:
            return fail(ERROR_INVALID_PARAMETER);
    }
    // shareCompat is shareExclusive here, as in 32-bit versions of the framework.
    DWORD share = 0;
    switch (nOpenFlags & 0x70) {
        case shareCompat:
        case shareExclusive:
            share = 0;
            break;
        case shareDenyWrite:
            share = FILE_SHARE_READ;
            break;
        case shareDenyRead:
            share = FILE_SHARE_WRITE;
            break;
        case shareDenyNone:
            share = FILE_SHARE_READ | FILE_SHARE_WRITE;
            break;
        default:
            return fail(ERROR_INVALID_PARAMETER);
    }
    DWORD disposition = OPEN_EXISTING;
    if (nOpenFlags & modeCreate) disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    // The name is kept as given: device paths have no current directory to
    // resolve against.
    m_strFileName = lpszFileName;
    SetLastError(0);
    HANDLE h = CreateFile(lpszFileName, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        LONG err = LastError();
        m_strFileName.Empty();
        return fail(err);
    }
    m_hFile = h;
    m_bCloseOnDelete = TRUE;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    if (nCount == 0) return 0;
    if (!lpBuf) AfxThrowFileException(CFileException::genericException, ERROR_INVALID_PARAMETER, m_strFileName);
    DWORD read = 0;
    if (!ReadFile(m_hFile, lpBuf, nCount, &read, nullptr)) CFileException::ThrowOsError(LastError(), m_strFileName);
    return read;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    if (nCount == 0) return;
    if (!lpBuf) AfxThrowFileException(CFileException::genericException, ERROR_INVALID_PARAMETER, m_strFileName);
    DWORD written = 0;
    if (!WriteFile(m_hFile, lpBuf, nCount, &written, nullptr)) CFileException::ThrowOsError(LastError(), m_strFileName);
    // A short write means the medium is full.
    if (written != nCount) AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    if (nFrom > end) AfxThrowFileException(CFileException::badSeek, ERROR_INVALID_PARAMETER, m_strFileName);
    LONG high = static_cast<LONG>(lOff >> 32);
    SetLastError(0);
    DWORD low = SetFilePointer(m_hFile, static_cast<LONG>(lOff & 0xFFFFFFFF), &high, nFrom);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        CFileException::ThrowOsError(LastError(), m_strFileName);
    return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
}

ULONGLONG CFile::GetPosition() const {
    LONG high = 0;
    SetLastError(0);
    DWORD low = SetFilePointer(m_hFile, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        CFileException::ThrowOsError(LastError(), m_strFileName);
    return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
}

ULONGLONG CFile::GetLength() const {
    DWORD high = 0;
    SetLastError(0);
    DWORD low = GetFileSize(m_hFile, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        CFileException::ThrowOsError(LastError(), m_strFileName);
    return (static_cast<ULONGLONG>(high) << 32) | low;
}

void CFile::Flush() {
    if (m_hFile == hFileNull) return;  // nothing to write out
    if (!FlushFileBuffers(m_hFile)) CFileException::ThrowOsError(LastError(), m_strFileName);
}

void CFile::Close() {
    HANDLE h = m_hFile;
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    CString name = m_strFileName;
    m_strFileName.Empty();
    if (h != hFileNull && !CloseHandle(h)) CFileException::ThrowOsError(LastError(), name);
}

void CFile::Abort() {
    if (m_hFile != hFileNull) CloseHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
}

CString CFile::GetFileName() const {
    int slash = std::max(m_strFileName.ReverseFind(u'\\'), m_strFileName.ReverseFind(u'/'));
    return m_strFileName.Mid(slash + 1);
}

void CFile::Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName) {
    if (!MoveFile(lpszOldName, lpszNewName)) CFileException::ThrowOsError(LastError(), lpszOldName);
}

void CFile::Remove(LPCTSTR lpszFileName) {
    if (!DeleteFile(lpszFileName)) CFileException::ThrowOsError(LastError(), lpszFileName);
}
