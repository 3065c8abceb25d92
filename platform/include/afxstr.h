// CString: the framework's text string.
//
// Text is UTF-16 (TCHAR = WCHAR = char16_t). A CString holds a pointer to a
// shared, reference-counted buffer; copying a string only takes another
// reference, and the first change through any copy gives that copy its own
// buffer (copy-on-write). Reference counts are atomic, so copies of one
// string may live on different threads; a single CString object is not
// itself safe to change from two threads at once.
//
// Positions and counts are in characters. Out-of-range arguments are clamped
// the way the framework documents (Mid(99) of a short string is empty, Left(-1)
// is empty, Find with a start past the end is -1); nothing asserts.
//
// GetBuffer hands out the string's own characters for writing. While the
// buffer is out the string is "locked": copies made from it get their own
// characters, so writes through the buffer never reach them. ReleaseBuffer
// ends the lock and fixes the length.
//
// A CString cannot go through `...` (Format's arguments) by value: pass
// (LPCTSTR)str or str.GetString() for %s.
#pragma once

#include <atomic>
#include <cstdarg>

#include "tchar.h"
#include "windef.h"

class CString {
public:
    CString() noexcept = default;
    CString(const CString& src) noexcept;
    CString(CString&& src) noexcept : m_pData(src.m_pData) { src.m_pData = nullptr; }
    // A null pointer makes an empty string. A value made with
    // MAKEINTRESOURCE(id) loads string resource `id`, as LoadString does.
    CString(LPCTSTR psz);
    // The first nLength characters of pch (embedded NULs are kept).
    CString(LPCTSTR pch, int nLength);
    CString(TCHAR ch, int nRepeat = 1);
    ~CString();

    // ---- Size and characters ----
    int GetLength() const { return m_pData ? m_pData->length : 0; }
    BOOL IsEmpty() const { return GetLength() == 0; }
    void Empty();
    // 0 for an index outside the string.
    TCHAR GetAt(int nIndex) const;
    // Ignored for an index outside the string.
    void SetAt(int nIndex, TCHAR ch);
    TCHAR operator[](int nIndex) const { return GetAt(nIndex); }
    operator LPCTSTR() const { return GetString(); }
    LPCTSTR GetString() const;

    // ---- Assignment and concatenation ----
    CString& operator=(const CString& src) noexcept;
    CString& operator=(CString&& src) noexcept;
    CString& operator=(LPCTSTR psz);
    CString& operator=(TCHAR ch);
    CString& operator+=(const CString& s);
    CString& operator+=(LPCTSTR psz);
    CString& operator+=(TCHAR ch);
    void Append(LPCTSTR pch, int nLength);

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, LPCTSTR b);
    friend CString operator+(LPCTSTR a, const CString& b);
    friend CString operator+(const CString& a, TCHAR b);
    friend CString operator+(TCHAR a, const CString& b);

    // ---- Comparison (a null pointer compares as "") ----
    int Compare(LPCTSTR psz) const;
    int CompareNoCase(LPCTSTR psz) const;
    int Collate(LPCTSTR psz) const { return Compare(psz); }
    int CollateNoCase(LPCTSTR psz) const { return CompareNoCase(psz); }

    // ---- Formatting ----
    // printf-style through the device's wide formatter (%s is a wide string,
    // %S a narrow one); the result may have any length.
    void Format(LPCTSTR pszFormat, ...);
    void FormatV(LPCTSTR pszFormat, va_list args);
    void AppendFormat(LPCTSTR pszFormat, ...);
    void AppendFormatV(LPCTSTR pszFormat, va_list args);

    // ---- Parts ----
    CString Left(int nCount) const;
    CString Mid(int iFirst) const;
    CString Mid(int iFirst, int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(LPCTSTR pszCharSet) const;
    CString SpanExcluding(LPCTSTR pszCharSet) const;
    // The next token after iStart separated by characters of pszTokens;
    // iStart becomes -1 (and the result empty) when none is left.
    CString Tokenize(LPCTSTR pszTokens, int& iStart) const;

    // ---- Searching (-1 when not found) ----
    int Find(TCHAR ch, int iStart = 0) const;
    int Find(LPCTSTR pszSub, int iStart = 0) const;
    int ReverseFind(TCHAR ch) const;
    int FindOneOf(LPCTSTR pszCharSet) const;

    // ---- Editing (each returns what the framework's does) ----
    int Replace(TCHAR chOld, TCHAR chNew);
    int Replace(LPCTSTR pszOld, LPCTSTR pszNew);
    int Remove(TCHAR ch);
    int Insert(int iIndex, TCHAR ch);
    int Insert(int iIndex, LPCTSTR psz);
    int Delete(int iIndex, int nCount = 1);
    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    CString& Trim();
    CString& Trim(TCHAR chTarget);
    CString& Trim(LPCTSTR pszTargets);
    CString& TrimLeft();
    CString& TrimLeft(TCHAR chTarget);
    CString& TrimLeft(LPCTSTR pszTargets);
    CString& TrimRight();
    CString& TrimRight(TCHAR chTarget);
    CString& TrimRight(LPCTSTR pszTargets);

    // ---- Direct access to the characters ----
    // A writable buffer of at least nMinBufLength characters plus the NUL,
    // holding the current text.
    LPTSTR GetBuffer(int nMinBufLength);
    LPTSTR GetBuffer() { return GetBuffer(GetLength()); }
    // -1: the text ends at the first NUL of the buffer. A length beyond the
    // buffer is cut to the buffer.
    void ReleaseBuffer(int nNewLength = -1);
    // GetBuffer, with the length set to nNewLength at once.
    LPTSTR GetBufferSetLength(int nNewLength);
    void FreeExtra();

    // ---- Resources ----
    // Loads string nID of the program's string table; FALSE (and the string
    // unchanged) when there is no such string.
    BOOL LoadString(UINT nID);

private:
    // A buffer: this header, then alloc + 1 characters. refs counts the
    // strings sharing it, -1 while GetBuffer has it out.
    struct Data {
        std::atomic<int> refs;
        int length;
        int alloc;
        TCHAR* chars() { return reinterpret_cast<TCHAR*>(this + 1); }
    };
    static Data* Allocate(int nChars);
    static void Release(Data* p) noexcept;
    TCHAR* Chars() const;
    // Makes the buffer this string's own with room for nChars characters,
    // keeping the first nKeep characters.
    TCHAR* Prepare(int nChars, int nKeep);
    void Assign(LPCTSTR pch, int nLength);
    void SetLength(int nLength);

    Data* m_pData = nullptr;
};

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCTSTR b);
bool operator==(LPCTSTR a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCTSTR b);
bool operator!=(LPCTSTR a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, LPCTSTR b);
bool operator<(LPCTSTR a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, LPCTSTR b);
bool operator>(LPCTSTR a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator<=(const CString& a, LPCTSTR b);
bool operator<=(LPCTSTR a, const CString& b);
bool operator>=(const CString& a, const CString& b);
bool operator>=(const CString& a, LPCTSTR b);
bool operator>=(LPCTSTR a, const CString& b);
