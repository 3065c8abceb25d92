// The application framework's core: diagnostics macros, exceptions, CString
// and CFile. Window-independent; afxwin.h adds drawing and windows.
#pragma once

#include "afxstr.h"
#include "tchar.h"
#include "windows.h"

// ---- Declarations and diagnostics ---------------------------------------------

#define AFXAPI
#define AFX_CDECL
#define AFX_DATA
#define AFX_EXT_CLASS
#define afx_msg
#define DEBUG_NEW new

// Diagnostics are compiled out: ASSERT does not evaluate its argument, VERIFY
// evaluates it and ignores the result, TRACE writes nothing. Code must not
// rely on ASSERT to reject bad input.
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define ASSERT_VALID(p) ((void)0)
#define ASSERT_KINDOF(cls, p) ((void)0)
#define UNUSED(x) ((void)(x))
#define UNUSED_ALWAYS(x) ((void)(x))
#define TRACE(...) ((void)0)
#define TRACE0(s) ((void)0)
#define TRACE1(s, a) ((void)0)
#define TRACE2(s, a, b) ((void)0)
#define TRACE3(s, a, b, c) ((void)0)

// ---- Exceptions ---------------------------------------------------------------
//
// The framework throws exceptions as pointers to objects allocated with new
// (`throw new CFileException(...)`); the handler that catches one ends it with
// e->Delete(). The TRY/CATCH macros do that themselves at the end of the
// handler, unless the handler rethrows with THROW_LAST().

class CException {
public:
    explicit CException(BOOL bAutoDelete = TRUE);
    virtual ~CException() = default;
    // Exceptions remember whether they were made with new, so that Delete
    // never frees one that lives on the stack or inside another object.
    static void* operator new(size_t size);
    static void operator delete(void* p) noexcept;
    CException(const CException&) = delete;
    CException& operator=(const CException&) = delete;

    // Frees an exception that was allocated with new (auto-delete); one
    // made on the stack, or with bAutoDelete FALSE, is left alone.
    void Delete();
    // A text describing the error, cut to nMaxError characters with the NUL.
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const;

protected:
    BOOL m_bAutoDelete;

private:
    bool m_bOnHeap;
};

class CFileException : public CException {
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, LPCTSTR lpszArchiveName = nullptr)
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszArchiveName) {}

    // The cause matching a Win32 error code (genericException when none does).
    static int OsErrorToException(LONG lOsError);
    // Throws a new CFileException for the Win32 error (nothing for 0).
    static void ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = nullptr);

    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

[[noreturn]] void AFXAPI AfxThrowFileException(int cause, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr);

namespace ce::mfc {
// Ends a caught exception when its handler ends, unless it was rethrown.
class CatchGuard {
public:
    explicit CatchGuard(CException* e) : e_(e) {}
    ~CatchGuard() {
        if (e_) e_->Delete();
    }
    CatchGuard(const CatchGuard&) = delete;
    CatchGuard& operator=(const CatchGuard&) = delete;
    void Keep() { e_ = nullptr; }

private:
    CException* e_;
};
}  // namespace ce::mfc

#define TRY try
#define CATCH(class_name, e) \
    catch (class_name * e) { \
        ::ce::mfc::CatchGuard afxCatchGuard_(e);
#define AND_CATCH(class_name, e) \
    }                            \
    catch (class_name * e) {     \
        ::ce::mfc::CatchGuard afxCatchGuard_(e);
#define END_CATCH }
#define CATCH_ALL(e) CATCH(CException, e)
#define AND_CATCH_ALL(e) AND_CATCH(CException, e)
#define END_CATCH_ALL END_CATCH
#define THROW(e) throw e
#define THROW_LAST()           \
    do {                       \
        afxCatchGuard_.Keep(); \
        throw;                 \
    } while (0)

// ---- CFile ------------------------------------------------------------------------
//
// Unbuffered binary file over the kernel's file API (device paths such as
// "\Windows\info.civ").
//
// Errors: Open reports failure by returning FALSE (and filling the optional
// CFileException); it never throws. Once a file is open, a failing Read,
// Write, Seek, Flush or Close throws a CFileException allocated with new,
// with m_cause from the Win32 error and m_lOsError the error itself; catch
// it as CFileException* and call Delete(). Calls on a file that is not open
// fail the same way (invalidFile, ERROR_INVALID_HANDLE). The destructor closes
// an open file and never throws.

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000u
    };
    enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };

    static const HANDLE hFileNull;

    CFile();
    // Wraps a handle that is already open (closed by the destructor).
    explicit CFile(HANDLE hFile);
    // Opens at once; throws CFileException when it cannot.
    CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // The number of bytes read: fewer than nCount at the end of the file.
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    // The new position from the start of the file.
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetLength() const;
    virtual ULONGLONG GetPosition() const;
    virtual void Flush();
    virtual void Close();
    // Closes without reporting errors.
    virtual void Abort();

    CString GetFileName() const;
    CString GetFilePath() const { return m_strFileName; }

    // Both throw CFileException on failure.
    static void Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName);
    static void Remove(LPCTSTR lpszFileName);

    operator HANDLE() const { return m_hFile; }

    HANDLE m_hFile;
    BOOL m_bCloseOnDelete;
    CString m_strFileName;
};
