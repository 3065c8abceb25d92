// CString: sharing and copy-on-write, formatting, buffers, searching and
// editing with out-of-range arguments.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "afx.h"

namespace {

std::u16string U(const CString& s) {
    return std::u16string(s.GetString(), s.GetLength());
}

TEST(CStringSharing, ChangingACopyLeavesTheOriginal) {
    CString a(u"panel");
    CString b = a;
    EXPECT_EQ(a.GetString(), b.GetString());  // one buffer for both
    b.SetAt(0, u'P');
    b += u" 1";
    EXPECT_EQ(U(a), u"panel");
    EXPECT_EQ(U(b), u"Panel 1");

    CString c = a;
    c.MakeUpper();
    c.Replace(u'A', u'4');
    EXPECT_EQ(U(a), u"panel");
    EXPECT_EQ(U(c), u"P4NEL");

    // Writing through GetBuffer must not reach a copy taken before or while
    // the buffer is out.
    CString before = a;
    LPTSTR p = a.GetBuffer(10);
    CString during = a;
    p[0] = u'X';
    a.ReleaseBuffer();
    EXPECT_EQ(U(a), u"Xanel");
    EXPECT_EQ(U(before), u"panel");
    EXPECT_EQ(U(during), u"panel");
}

TEST(CStringSharing, SelfAssignmentAndAppendingItself) {
    CString a(u"ab");
    CString& self = a;
    a = self;
    EXPECT_EQ(U(a), u"ab");
    a += a;
    EXPECT_EQ(U(a), u"abab");
    a += a.GetString() + 1;  // a part of its own buffer
    EXPECT_EQ(U(a), u"ababbab");
    a = a.GetString() + 2;
    EXPECT_EQ(U(a), u"abbab");
    a.Insert(1, a.GetString());
    EXPECT_EQ(U(a), u"aabbabbbab");
}

TEST(CStringSharing, CopiesOnManyThreadsKeepTheTextAlive) {
    CString shared(u"value shared by threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&shared] {
            for (int i = 0; i < 2000; ++i) {
                CString mine = shared;
                mine += u'!';
                if (mine.GetLength() != shared.GetLength() + 1) std::abort();
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(U(shared), u"value shared by threads");
}

TEST(CStringConstruction, FromPointersCountsRepeatsAndResources) {
    EXPECT_TRUE(CString().IsEmpty());
    EXPECT_TRUE(CString(static_cast<LPCTSTR>(nullptr)).IsEmpty());
    EXPECT_EQ(CString(static_cast<LPCTSTR>(nullptr)).GetString()[0], 0);
    EXPECT_EQ(U(CString(u"abcdef", 3)), u"abc");
    EXPECT_EQ(CString(u"a\0b", 3).GetLength(), 3);
    EXPECT_TRUE(CString(u"abc", -1).IsEmpty());
    EXPECT_EQ(U(CString(u'-', 4)), u"----");
    EXPECT_TRUE(CString(u'-', 0).IsEmpty());
    EXPECT_TRUE(CString(u'-', -3).IsEmpty());
    // A missing string resource leaves the text unchanged.
    CString kept(u"kept");
    EXPECT_FALSE(kept.LoadString(65000));
    EXPECT_EQ(U(kept), u"kept");
}

TEST(CStringConstruction, ConcatenationAndComparison) {
    CString s = CString(u"a") + u"b" + u'c';
    s = u'x' + s;
    s = u"<" + s + CString(u">");
    EXPECT_EQ(U(s), u"<xabc>");
    EXPECT_TRUE(s == u"<xabc>");
    EXPECT_TRUE(u"<xabc>" == s);
    EXPECT_TRUE(s != CString(u"<XABC>"));
    EXPECT_EQ(s.CompareNoCase(u"<XABC>"), 0);
    EXPECT_LT(CString(u"abc").Compare(u"abd"), 0);
    EXPECT_TRUE(CString(u"abc") < u"abd");
    EXPECT_TRUE(CString(u"b") > CString(u"abc"));
    EXPECT_GT(CString(u"a").Compare(nullptr), 0);
    EXPECT_TRUE(CString() == nullptr);
    EXPECT_EQ(s[1], u'x');
    EXPECT_EQ(s.GetAt(99), 0);
    EXPECT_EQ(s.GetAt(-1), 0);
    s.SetAt(99, u'!');  // ignored
    EXPECT_EQ(U(s), u"<xabc>");
}

TEST(CStringFormat, OutputOfAnyLengthAndNoFormatGivesNoText) {
    std::u16string big(5000, u'z');
    CString s;
    s.Format(u"[%s]", big.c_str());
    ASSERT_EQ(s.GetLength(), 5002);
    EXPECT_EQ(U(s), u"[" + big + u"]");
    s.Format(nullptr);
    EXPECT_TRUE(s.IsEmpty());

    // Append in many steps: the text already there is kept each time.
    CString acc(u"start");
    for (int i = 0; i < 1000; ++i) acc.AppendFormat(u",%d", i);
    EXPECT_EQ(U(acc.Left(9)), u"start,0,1");
    EXPECT_EQ(U(acc.Right(4)), u",999");
}

TEST(CStringBuffer, GetBufferAndReleaseBuffer) {
    CString s(u"abc");
    LPTSTR p = s.GetBuffer(100);
    EXPECT_EQ(std::u16string(p), u"abc");
    wcscpy(p, u"a longer text");
    s.ReleaseBuffer();
    EXPECT_EQ(U(s), u"a longer text");

    p = s.GetBuffer(0);  // never shorter than the text
    p[1] = 0;
    s.ReleaseBuffer();  // up to the first NUL
    EXPECT_EQ(U(s), u"a");

    p = s.GetBuffer(8);
    wcscpy(p, u"12345678");
    s.ReleaseBuffer(4);
    EXPECT_EQ(U(s), u"1234");

    s.ReleaseBuffer(1000);  // cut to the buffer, not past it
    EXPECT_LE(s.GetLength(), 1000);

    CString fixed;
    std::copy_n(u"xyz", 3, fixed.GetBufferSetLength(3));
    fixed.ReleaseBuffer(3);
    EXPECT_EQ(U(fixed), u"xyz");

    CString empty;
    empty.GetBuffer(-5)[0] = 0;
    empty.ReleaseBuffer();
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(CStringParts, OutOfRangeArgumentsClamp) {
    const CString s(u"abcdef");
    const std::pair<CString, const char16_t*> cases[] = {
        {s.Mid(2), u"cdef"},     {s.Mid(2, 2), u"cd"}, {s.Mid(4, 100), u"ef"},   {s.Mid(-3, 2), u"ab"},
        {s.Mid(6), u""},         {s.Mid(99), u""},     {s.Mid(1, -1), u""},      {s.Left(-1), u""},
        {s.Left(99), u"abcdef"}, {s.Right(2), u"ef"},  {s.Right(99), u"abcdef"}, {s.Right(-2), u""}};
    for (const auto& [got, want] : cases) EXPECT_EQ(U(got), want) << (&got - &cases[0].first);
}

TEST(CStringSearch, FindWithStartPositions) {
    const CString s(u"a.b.c");
    const std::pair<int, int> cases[] = {{s.Find(u'.'), 1},        {s.Find(u'.', 2), 3},
                                         {s.Find(u'.', 4), -1},    {s.Find(u'.', 99), -1},
                                         {s.Find(u'.', -1), -1},   {s.Find(u"b.c"), 2},
                                         {s.Find(u"b", 3), -1},    {s.Find(u"", 5), 5},
                                         {s.Find(u"", 6), -1},     {s.Find(static_cast<LPCTSTR>(nullptr)), -1},
                                         {s.ReverseFind(u'.'), 3}, {s.ReverseFind(u'x'), -1},
                                         {s.FindOneOf(u"cb"), 2},  {CString().Find(u'a'), -1}};
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;

    int pos = 0;
    CString line(u"  EPI1: , I2C0:,,");
    std::vector<std::u16string> tokens;
    for (CString t = line.Tokenize(u" ,", pos); pos >= 0; t = line.Tokenize(u" ,", pos)) tokens.push_back(U(t));
    EXPECT_EQ(tokens, (std::vector<std::u16string>{u"EPI1:", u"I2C0:"}));
}

TEST(CStringEdit, ReplaceRemoveInsertDelete) {
    CString s(u"one two one");
    EXPECT_EQ(s.Replace(u"one", u"three"), 2);
    EXPECT_EQ(U(s), u"three two three");
    EXPECT_EQ(s.Replace(u"three", nullptr), 2);
    EXPECT_EQ(U(s), u" two ");
    EXPECT_EQ(s.Replace(u"", u"x"), 0);
    EXPECT_EQ(s.Replace(u'x', u'y'), 0);
    EXPECT_EQ(s.Remove(u' '), 2);
    EXPECT_EQ(U(s), u"two");
    EXPECT_EQ(s.Insert(0, u'['), 4);
    EXPECT_EQ(s.Insert(99, u"]"), 5);
    EXPECT_EQ(s.Insert(-4, u"<"), 6);
    EXPECT_EQ(U(s), u"<[two]");
    EXPECT_EQ(s.Delete(0, 2), 4);
    EXPECT_EQ(s.Delete(3, 99), 3);
    EXPECT_EQ(s.Delete(99), 3);
    EXPECT_EQ(s.Delete(1, -1), 3);
    EXPECT_EQ(U(s), u"two");
}

TEST(CStringEdit, CaseAndTrimming) {
    CString s(u"  \tMixed Ärger \r\n");
    s.Trim();
    EXPECT_EQ(U(s), u"Mixed Ärger");
    s.MakeUpper();
    EXPECT_EQ(U(s), u"MIXED ÄRGER");
    s.MakeLower();
    EXPECT_EQ(U(s), u"mixed ärger");
    CString t(u"xx-a-xx");
    t.TrimLeft(u'x');
    EXPECT_EQ(U(t), u"-a-xx");
    t.TrimRight(u"x-");
    EXPECT_EQ(U(t), u"-a");
    CString blank(u"   ");
    blank.Trim();
    EXPECT_TRUE(blank.IsEmpty());
}

}  // namespace
