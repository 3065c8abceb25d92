// CString: shared, reference-counted UTF-16 buffers with copy-on-write.
//
// Layout: a Data header followed by alloc + 1 characters. `refs` counts the
// strings sharing the buffer; -1 marks a buffer handed out by GetBuffer
// (locked: owned by one string, never shared until ReleaseBuffer). The empty
// string has no buffer at all.
#include <algorithm>
#include <atomic>
#include <new>

#include "afx.h"
#include "resources.h"

namespace {

constexpr TCHAR kEmpty[1] = {0};

int Len(LPCTSTR psz) {
    return psz ? static_cast<int>(wcslen(psz)) : 0;
}

bool IsResourceId(LPCTSTR psz) {
    return psz && reinterpret_cast<ULONG_PTR>(psz) <= 0xFFFF;
}

bool InSet(LPCTSTR set, TCHAR ch) {
    return set && ch && wcschr(set, ch) != nullptr;
}

}  // namespace

// ---- Buffer management -------------------------------------------------------------

CString::Data* CString::Allocate(int nChars) {
    void* mem = ::operator new(sizeof(Data) + (static_cast<size_t>(nChars) + 1) * sizeof(TCHAR));
    Data* d = new (mem) Data;
    d->refs.store(1, std::memory_order_relaxed);
    d->length = 0;
    d->alloc = nChars;
    d->chars()[0] = 0;
    return d;
}

void CString::Release(Data* p) noexcept {
    if (!p) return;
    // A locked buffer belongs to one string only.
    if (p->refs.load(std::memory_order_relaxed) < 0 || p->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        p->~Data();
        ::operator delete(p);
    }
}

TCHAR* CString::Chars() const {
    return m_pData ? m_pData->chars() : const_cast<TCHAR*>(kEmpty);
}

LPCTSTR CString::GetString() const {
    return Chars();
}

TCHAR* CString::Prepare(int nChars, int nKeep) {
    nChars = std::max(nChars, 0);
    nKeep = std::clamp(nKeep, 0, std::min(nChars, GetLength()));
    bool own = m_pData && m_pData->refs.load(std::memory_order_acquire) <= 1;
    if (own && m_pData->alloc >= nChars) return m_pData->chars();
    int alloc = nChars;
    // Grow geometrically so that repeated appends stay linear.
    if (own) alloc = std::max(nChars, m_pData->alloc + m_pData->alloc / 2);
    Data* d = Allocate(alloc);
    if (m_pData) std::copy_n(m_pData->chars(), nKeep, d->chars());
    d->length = nKeep;
    d->chars()[nKeep] = 0;
    Release(m_pData);
    m_pData = d;
    return d->chars();
}

void CString::SetLength(int nLength) {
    if (!m_pData) return;
    m_pData->length = nLength;
    m_pData->chars()[nLength] = 0;
}

void CString::Assign(LPCTSTR pch, int nLength) {
    if (nLength <= 0 || !pch) {
        Empty();
        return;
    }
    // The source may lie inside this string's own buffer.
    if (m_pData && pch >= m_pData->chars() && pch <= m_pData->chars() + m_pData->length) {
        CString copy(pch, nLength);
        *this = std::move(copy);
        return;
    }
    TCHAR* p = Prepare(nLength, 0);
    std::copy_n(pch, nLength, p);
    SetLength(nLength);
}

// ---- Construction -------------------------------------------------------------------

CString::CString(const CString& src) noexcept : m_pData(src.m_pData) {
    if (!m_pData) return;
    if (m_pData->refs.load(std::memory_order_acquire) < 0) {
        // The source's buffer is out for writing: take a copy of the text.
        m_pData = nullptr;
        Assign(src.m_pData->chars(), src.m_pData->length);
        return;
    }
    m_pData->refs.fetch_add(1, std::memory_order_relaxed);
}

CString::CString(LPCTSTR psz) {
    if (IsResourceId(psz)) {
        LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(psz)));
        return;
    }
    Assign(psz, Len(psz));
}

CString::CString(LPCTSTR pch, int nLength) {
    Assign(pch, nLength);
}

CString::CString(TCHAR ch, int nRepeat) {
    if (nRepeat <= 0) return;
    TCHAR* p = Prepare(nRepeat, 0);
    std::fill_n(p, nRepeat, ch);
    SetLength(nRepeat);
}

CString::~CString() {
    Release(m_pData);
}

void CString::Empty() {
    Release(m_pData);
    m_pData = nullptr;
}

// ---- Characters ---------------------------------------------------------------------

TCHAR CString::GetAt(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetLength()) return 0;
    return m_pData->chars()[nIndex];
}

void CString::SetAt(int nIndex, TCHAR ch) {
    int len = GetLength();
    if (nIndex < 0 || nIndex >= len) return;
    Prepare(len, len)[nIndex] = ch;
}

// ---- Assignment and concatenation -----------------------------------------------------

CString& CString::operator=(const CString& src) noexcept {
    if (this != &src) {
        CString copy(src);
        *this = std::move(copy);
    }
    return *this;
}

CString& CString::operator=(CString&& src) noexcept {
    if (this != &src) {
        Release(m_pData);
        m_pData = src.m_pData;
        src.m_pData = nullptr;
    }
    return *this;
}

CString& CString::operator=(LPCTSTR psz) {
    if (IsResourceId(psz)) {
        Empty();
        LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(psz)));
        return *this;
    }
    Assign(psz, Len(psz));
    return *this;
}

CString& CString::operator=(TCHAR ch) {
    Assign(&ch, 1);
    return *this;
}

void CString::Append(LPCTSTR pch, int nLength) {
    if (!pch || nLength <= 0) return;
    int len = GetLength();
    // Appending a part of this string to itself: keep the source alive.
    if (m_pData && pch >= m_pData->chars() && pch <= m_pData->chars() + m_pData->alloc) {
        CString part(pch, nLength);
        Append(part.GetString(), nLength);
        return;
    }
    TCHAR* p = Prepare(len + nLength, len);
    std::copy_n(pch, nLength, p + len);
    SetLength(len + nLength);
}

CString& CString::operator+=(const CString& s) {
    if (m_pData == nullptr && s.m_pData) return *this = s;
    Append(s.GetString(), s.GetLength());
    return *this;
}

CString& CString::operator+=(LPCTSTR psz) {
    Append(psz, Len(psz));
    return *this;
}

CString& CString::operator+=(TCHAR ch) {
    Append(&ch, 1);
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, LPCTSTR b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(LPCTSTR a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, TCHAR b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(TCHAR a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

// ---- Comparison -----------------------------------------------------------------------

int CString::Compare(LPCTSTR psz) const {
    return wcscmp(GetString(), psz ? psz : kEmpty);
}

int CString::CompareNoCase(LPCTSTR psz) const {
    return _wcsicmp(GetString(), psz ? psz : kEmpty);
}

bool operator==(const CString& a, const CString& b) {
    return a.Compare(b) == 0;
}
bool operator==(const CString& a, LPCTSTR b) {
    return a.Compare(b) == 0;
}
bool operator==(LPCTSTR a, const CString& b) {
    return b.Compare(a) == 0;
}
bool operator!=(const CString& a, const CString& b) {
    return a.Compare(b) != 0;
}
bool operator!=(const CString& a, LPCTSTR b) {
    return a.Compare(b) != 0;
}
bool operator!=(LPCTSTR a, const CString& b) {
    return b.Compare(a) != 0;
}
bool operator<(const CString& a, const CString& b) {
    return a.Compare(b) < 0;
}
bool operator<(const CString& a, LPCTSTR b) {
    return a.Compare(b) < 0;
}
bool operator<(LPCTSTR a, const CString& b) {
    return b.Compare(a) > 0;
}
bool operator>(const CString& a, const CString& b) {
    return a.Compare(b) > 0;
}
bool operator>(const CString& a, LPCTSTR b) {
    return a.Compare(b) > 0;
}
bool operator>(LPCTSTR a, const CString& b) {
    return b.Compare(a) < 0;
}
bool operator<=(const CString& a, const CString& b) {
    return a.Compare(b) <= 0;
}
bool operator<=(const CString& a, LPCTSTR b) {
    return a.Compare(b) <= 0;
}
bool operator<=(LPCTSTR a, const CString& b) {
    return b.Compare(a) >= 0;
}
bool operator>=(const CString& a, const CString& b) {
    return a.Compare(b) >= 0;
}
bool operator>=(const CString& a, LPCTSTR b) {
    return a.Compare(b) >= 0;
}
bool operator>=(LPCTSTR a, const CString& b) {
    return b.Compare(a) <= 0;
}

// ---- Formatting -------------------------------------------------------------------------

void CString::FormatV(LPCTSTR pszFormat, va_list args) {
    CString out;
    out.AppendFormatV(pszFormat, args);
    *this = std::move(out);
}

void CString::Format(LPCTSTR pszFormat, ...) {
    va_list ap;
    va_start(ap, pszFormat);
    FormatV(pszFormat, ap);
    va_end(ap);
}

void CString::AppendFormatV(LPCTSTR pszFormat, va_list args) {
    if (!pszFormat) return;
    // The formatter reports -1 when the output did not fit; try again with
    // twice the room. Past 64M characters the text is given up (unchanged).
    constexpr int kLimit = 64 * 1024 * 1024;
    int len = GetLength();
    for (int room = 256; room <= kLimit; room *= 2) {
        TCHAR* p = Prepare(len + room, len);
        va_list copy;
        va_copy(copy, args);
        int n = _vsnwprintf(p + len, static_cast<size_t>(room), pszFormat, copy);
        va_end(copy);
        if (n >= 0 && n < room) {
            SetLength(len + n);
            return;
        }
        p[len] = 0;
    }
    SetLength(len);
}

void CString::AppendFormat(LPCTSTR pszFormat, ...) {
    va_list ap;
    va_start(ap, pszFormat);
    AppendFormatV(pszFormat, ap);
    va_end(ap);
}

// ---- Parts --------------------------------------------------------------------------------

CString CString::Left(int nCount) const {
    nCount = std::clamp(nCount, 0, GetLength());
    if (nCount == GetLength()) return *this;
    return CString(GetString(), nCount);
}

CString CString::Mid(int iFirst) const {
    return Mid(iFirst, GetLength());
}

CString CString::Mid(int iFirst, int nCount) const {
    int len = GetLength();
    iFirst = std::clamp(iFirst, 0, len);
    nCount = std::clamp(nCount, 0, len - iFirst);
    if (iFirst == 0 && nCount == len) return *this;
    return CString(GetString() + iFirst, nCount);
}

CString CString::Right(int nCount) const {
    int len = GetLength();
    nCount = std::clamp(nCount, 0, len);
    if (nCount == len) return *this;
    return CString(GetString() + len - nCount, nCount);
}

CString CString::SpanIncluding(LPCTSTR pszCharSet) const {
    if (!pszCharSet) return CString();
    return Left(static_cast<int>(wcsspn(GetString(), pszCharSet)));
}

CString CString::SpanExcluding(LPCTSTR pszCharSet) const {
    if (!pszCharSet) return *this;
    return Left(static_cast<int>(wcscspn(GetString(), pszCharSet)));
}

CString CString::Tokenize(LPCTSTR pszTokens, int& iStart) const {
    int len = GetLength();
    if (iStart < 0 || iStart >= len) {
        iStart = -1;
        return CString();
    }
    if (!pszTokens || !*pszTokens) {
        CString rest = Mid(iStart);
        iStart = len;
        return rest;
    }
    LPCTSTR s = GetString();
    int begin = iStart + static_cast<int>(wcsspn(s + iStart, pszTokens));
    if (begin >= len) {
        iStart = -1;
        return CString();
    }
    int end = begin + static_cast<int>(wcscspn(s + begin, pszTokens));
    iStart = std::min(end + 1, len);
    return Mid(begin, end - begin);
}

// ---- Searching -----------------------------------------------------------------------------

int CString::Find(TCHAR ch, int iStart) const {
    int len = GetLength();
    if (iStart < 0 || iStart >= len) return -1;
    LPCTSTR s = GetString();
    for (int i = iStart; i < len; ++i)
        if (s[i] == ch) return i;
    return -1;
}

int CString::Find(LPCTSTR pszSub, int iStart) const {
    if (!pszSub || iStart < 0 || iStart > GetLength()) return -1;
    LPCTSTR s = GetString();
    LPCTSTR hit = wcsstr(s + iStart, pszSub);
    return hit ? static_cast<int>(hit - s) : -1;
}

int CString::ReverseFind(TCHAR ch) const {
    LPCTSTR s = GetString();
    for (int i = GetLength() - 1; i >= 0; --i)
        if (s[i] == ch) return i;
    return -1;
}

int CString::FindOneOf(LPCTSTR pszCharSet) const {
    if (!pszCharSet) return -1;
    LPCTSTR s = GetString();
    LPCTSTR hit = wcspbrk(s, pszCharSet);
    return hit ? static_cast<int>(hit - s) : -1;
}

// ---- Editing ---------------------------------------------------------------------------------

int CString::Replace(TCHAR chOld, TCHAR chNew) {
    int len = GetLength();
    if (chOld == chNew || Find(chOld) < 0) return 0;
    TCHAR* p = Prepare(len, len);
    int n = 0;
    for (int i = 0; i < len; ++i)
        if (p[i] == chOld) {
            p[i] = chNew;
            ++n;
        }
    return n;
}

int CString::Replace(LPCTSTR pszOld, LPCTSTR pszNew) {
    int oldLen = Len(pszOld);
    if (oldLen == 0 || Find(pszOld) < 0) return 0;
    int newLen = Len(pszNew);
    LPCTSTR s = GetString();
    int len = GetLength();
    CString out;
    int n = 0;
    int pos = 0;
    for (int hit; (hit = Find(pszOld, pos)) >= 0; pos = hit + oldLen, ++n) {
        out.Append(s + pos, hit - pos);
        out.Append(pszNew, newLen);
    }
    out.Append(s + pos, len - pos);
    *this = std::move(out);
    return n;
}

int CString::Remove(TCHAR ch) {
    int len = GetLength();
    if (Find(ch) < 0) return 0;
    TCHAR* p = Prepare(len, len);
    TCHAR* end = std::remove(p, p + len, ch);
    int kept = static_cast<int>(end - p);
    SetLength(kept);
    return len - kept;
}

int CString::Insert(int iIndex, TCHAR ch) {
    TCHAR s[2] = {ch, 0};
    return Insert(iIndex, s);
}

int CString::Insert(int iIndex, LPCTSTR psz) {
    int len = GetLength();
    int add = Len(psz);
    iIndex = std::clamp(iIndex, 0, len);
    if (add == 0) return len;
    CString ins(psz, add);  // psz may point into this string
    TCHAR* p = Prepare(len + add, len);
    std::copy_backward(p + iIndex, p + len, p + len + add);
    std::copy_n(ins.GetString(), add, p + iIndex);
    SetLength(len + add);
    return len + add;
}

int CString::Delete(int iIndex, int nCount) {
    int len = GetLength();
    iIndex = std::max(iIndex, 0);
    if (nCount <= 0 || iIndex >= len) return len;
    nCount = std::min(nCount, len - iIndex);
    TCHAR* p = Prepare(len, len);
    std::copy(p + iIndex + nCount, p + len, p + iIndex);
    SetLength(len - nCount);
    return len - nCount;
}

CString& CString::MakeUpper() {
    int len = GetLength();
    if (len == 0) return *this;
    TCHAR* p = Prepare(len, len);
    for (int i = 0; i < len; ++i) p[i] = towupper(p[i]);
    return *this;
}

CString& CString::MakeLower() {
    int len = GetLength();
    if (len == 0) return *this;
    TCHAR* p = Prepare(len, len);
    for (int i = 0; i < len; ++i) p[i] = towlower(p[i]);
    return *this;
}

CString& CString::MakeReverse() {
    int len = GetLength();
    if (len < 2) return *this;
    TCHAR* p = Prepare(len, len);
    std::reverse(p, p + len);
    return *this;
}

namespace {
constexpr TCHAR kWhitespace[] = u" \t\r\n\v\f";
}

CString& CString::TrimLeft(LPCTSTR pszTargets) {
    int len = GetLength();
    LPCTSTR s = GetString();
    int i = 0;
    while (i < len && InSet(pszTargets, s[i])) ++i;
    if (i > 0) Delete(0, i);
    return *this;
}

CString& CString::TrimRight(LPCTSTR pszTargets) {
    int len = GetLength();
    LPCTSTR s = GetString();
    int i = len;
    while (i > 0 && InSet(pszTargets, s[i - 1])) --i;
    if (i < len) Delete(i, len - i);
    return *this;
}

CString& CString::TrimLeft(TCHAR chTarget) {
    TCHAR set[2] = {chTarget, 0};
    return TrimLeft(set);
}
CString& CString::TrimRight(TCHAR chTarget) {
    TCHAR set[2] = {chTarget, 0};
    return TrimRight(set);
}
CString& CString::TrimLeft() {
    return TrimLeft(kWhitespace);
}
CString& CString::TrimRight() {
    return TrimRight(kWhitespace);
}
CString& CString::Trim() {
    return TrimRight().TrimLeft();
}
CString& CString::Trim(TCHAR chTarget) {
    return TrimRight(chTarget).TrimLeft(chTarget);
}
CString& CString::Trim(LPCTSTR pszTargets) {
    return TrimRight(pszTargets).TrimLeft(pszTargets);
}

// ---- Direct access ------------------------------------------------------------------------------

LPTSTR CString::GetBuffer(int nMinBufLength) {
    int len = GetLength();
    TCHAR* p = Prepare(std::max(nMinBufLength, len), len);
    m_pData->refs.store(-1, std::memory_order_release);
    return p;
}

void CString::ReleaseBuffer(int nNewLength) {
    if (!m_pData) return;
    if (nNewLength < 0) {
        // Up to the first NUL, never past the end of the buffer.
        const TCHAR* p = m_pData->chars();
        nNewLength = static_cast<int>(std::find(p, p + m_pData->alloc, TCHAR(0)) - p);
    }
    nNewLength = std::min(nNewLength, m_pData->alloc);
    m_pData->refs.store(1, std::memory_order_release);
    SetLength(nNewLength);
}

LPTSTR CString::GetBufferSetLength(int nNewLength) {
    nNewLength = std::max(nNewLength, 0);
    LPTSTR p = GetBuffer(nNewLength);
    SetLength(nNewLength);
    return p;
}

void CString::FreeExtra() {
    if (m_pData && m_pData->refs.load(std::memory_order_acquire) == 1 && m_pData->alloc > m_pData->length) {
        CString copy(GetString(), GetLength());
        *this = std::move(copy);
    }
}

// ---- Resources ---------------------------------------------------------------------------------

BOOL CString::LoadString(UINT nID) {
    CString text;
    if (!ce::mfc::LoadStringResource(nID, text)) return FALSE;
    *this = std::move(text);
    return TRUE;
}
