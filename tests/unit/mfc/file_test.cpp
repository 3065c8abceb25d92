// CFile on a device image: opening with the framework's flags, short reads,
// seeking, and how failures are reported (FALSE from Open, CFileException*
// afterwards).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "afx.h"
#include "testimage.h"

namespace {

// The exception `f` throws, or null; the caller deletes it.
template <class F>
CFileException* Thrown(F f) {
    try {
        f();
    } catch (CFileException* e) {
        return e;
    }
    return nullptr;
}

class CFileTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(image.fs()); }
    void Put(const char* name, const std::string& text) { ce::test::WriteTextFile(image.fs() / name, text); }
    std::string Get(const char* name) { return ce::test::ReadTextFile(image.fs() / name); }

    ce::test::TestImage image;
};

TEST_F(CFileTest, ReadShorterThanAskedReturnsTheCount) {
    Put("info.bin", "0123456789");
    CFile f;
    ASSERT_TRUE(f.Open(u"\\info.bin", CFile::modeRead | CFile::typeBinary | CFile::shareDenyNone));
    EXPECT_EQ(f.GetLength(), 10u);
    char buf[64] = {};
    EXPECT_EQ(f.Read(buf, 4), 4u);
    EXPECT_EQ(f.GetPosition(), 4u);
    EXPECT_EQ(f.Read(buf, sizeof buf), 6u);
    EXPECT_EQ(std::string(buf, 6), "456789");
    EXPECT_EQ(f.Read(buf, sizeof buf), 0u);  // at the end: 0, no exception
    EXPECT_EQ(f.Read(buf, 0), 0u);
    EXPECT_EQ(std::u16string(f.GetFileName()), u"info.bin");
}

TEST_F(CFileTest, OpenFailureReportsWithoutThrowing) {
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(u"\\missing.bin", CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(e.m_lOsError, LONG(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(std::u16string(e.m_strFileName), u"\\missing.bin");
    EXPECT_EQ(f.m_hFile, CFile::hFileNull);

    EXPECT_FALSE(f.Open(u"\\missing.bin", CFile::modeRead));  // no exception object
    EXPECT_FALSE(f.Open(nullptr, CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::badPath);
    EXPECT_FALSE(f.Open(u"\\x.bin", CFile::modeWrite | CFile::modeReadWrite | CFile::modeCreate, &e));
    EXPECT_EQ(e.m_lOsError, LONG(ERROR_INVALID_PARAMETER));

    // The opening constructor throws instead.
    CFileException* ex = Thrown([] { CFile g(u"\\missing.bin", CFile::modeRead); });
    ASSERT_NE(ex, nullptr);
    EXPECT_EQ(ex->m_cause, CFileException::fileNotFound);
    TCHAR text[128];
    EXPECT_TRUE(ex->GetErrorMessage(text, 128));
    EXPECT_NE(std::u16string(text).find(u"missing.bin"), std::u16string::npos);
    ex->Delete();
}

TEST_F(CFileTest, CreateTruncateAndNoTruncate) {
    Put("data.bin", "old contents");
    {
        CFile f;
        ASSERT_TRUE(f.Open(u"\\data.bin", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite));
        EXPECT_EQ(f.GetLength(), 12u);
        EXPECT_EQ(f.SeekToEnd(), 12u);
        f.Write("+", 1);
    }  // the destructor closes
    EXPECT_EQ(Get("data.bin"), "old contents+");
    {
        CFile f;
        ASSERT_TRUE(f.Open(u"\\data.bin", CFile::modeCreate | CFile::modeWrite));
        f.Write("new", 3);
        f.Close();
        EXPECT_EQ(f.m_hFile, CFile::hFileNull);
        f.Close();  // a second close does nothing
    }
    EXPECT_EQ(Get("data.bin"), "new");
}

TEST_F(CFileTest, SeekPositions) {
    Put("seek.bin", "abcdefgh");
    CFile f;
    ASSERT_TRUE(f.Open(u"\\seek.bin", CFile::modeRead));
    EXPECT_EQ(f.Seek(3, CFile::begin), 3u);
    EXPECT_EQ(f.Seek(2, CFile::current), 5u);
    EXPECT_EQ(f.Seek(-1, CFile::end), 7u);
    char c = 0;
    EXPECT_EQ(f.Read(&c, 1), 1u);
    EXPECT_EQ(c, 'h');
    f.SeekToBegin();
    EXPECT_EQ(f.GetPosition(), 0u);
    CFileException* e = Thrown([&] { f.Seek(-1, CFile::begin); });
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->m_cause, CFileException::badSeek);
    e->Delete();
    e = Thrown([&] { f.Seek(0, 7); });  // an unknown origin
    ASSERT_NE(e, nullptr);
    e->Delete();
}

TEST_F(CFileTest, ErrorsAfterOpenThrowHeapExceptions) {
    Put("w.bin", "text");
    CFile f;
    ASSERT_TRUE(f.Open(u"\\w.bin", CFile::modeWrite));
    char buf[4];
    CFileException* caught = Thrown([&] { f.Read(buf, sizeof buf); });  // opened for writing only
    ASSERT_NE(caught, nullptr);
    EXPECT_EQ(caught->m_cause, CFileException::accessDenied);
    EXPECT_EQ(caught->m_lOsError, LONG(ERROR_ACCESS_DENIED));
    caught->Delete();

    // On a file that is not open, every call fails the same way.
    CFile closed;
    bool threw = false;
    TRY {
        closed.Write("x", 1);
    }
    CATCH(CFileException, e) {
        threw = true;
        EXPECT_EQ(e->m_cause, CFileException::invalidFile);
    }
    END_CATCH
    EXPECT_TRUE(threw);
    CFileException* thrown = Thrown([&] { closed.GetLength(); });
    ASSERT_NE(thrown, nullptr);
    thrown->Delete();
}

TEST(CExceptionTest, DeleteFreesOnlyHeapExceptions) {
    CFileException onStack(CFileException::diskFull, ERROR_DISK_FULL);
    onStack.Delete();  // not made with new: left alone
    EXPECT_EQ(onStack.m_cause, CFileException::diskFull);
    CException* heap = new CFileException(CFileException::hardIO);
    heap->Delete();  // freed (the sanitizer run reports a leak otherwise)
    CFileException stackAfterHeap(CFileException::endOfFile);
    stackAfterHeap.Delete();
    EXPECT_EQ(stackAfterHeap.m_cause, CFileException::endOfFile);
}

}  // namespace
