// Device paths onto the image: case-insensitive names, and every way a path
// could try to leave fs/ (or the storage card folder).
#include <gtest/gtest.h>
#include <unistd.h>

#include "filetest.h"

namespace fs = std::filesystem;
using namespace ce::test;

namespace {

class DevicePaths : public ::testing::Test {
protected:
    TestImage image{"storage_card = present\n"};
    fs::path outside = MakeTempDir("ce-outside-");

    void SetUp() override {
        WriteTextFile(image.fs() / "Windows" / "Info.CIV", "civ");
        WriteTextFile(outside / "secret.txt", "secret");
    }
    void TearDown() override { fs::remove_all(outside); }
};

TEST_F(DevicePaths, NamesMatchCaseInsensitivelyWithEitherSeparator) {
    fs::path host;
    for (const char16_t* p :
         {u"\\Windows\\Info.CIV", u"\\WINDOWS\\info.civ", u"windows/INFO.civ", u"/Windows//info.civ"}) {
        ASSERT_EQ(ce::ResolveDevicePath(p, host), ERROR_SUCCESS) << ce::ToUtf8(p);
        EXPECT_EQ(host, image.fs() / "Windows" / "Info.CIV");
    }
    // A missing last component keeps the caller's spelling; a missing folder fails.
    ASSERT_EQ(ce::ResolveDevicePath(u"\\windows\\New.txt", host), ERROR_SUCCESS);
    EXPECT_EQ(host, image.fs() / "Windows" / "New.txt");
    EXPECT_EQ(ce::ResolveDevicePath(u"\\Nowhere\\New.txt", host), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ReadDevice(u"\\WINDOWS\\INFO.CIV"), "civ");
}

TEST_F(DevicePaths, DotComponentsAreRefused) {
    fs::path host;
    EXPECT_EQ(ce::ResolveDevicePath(u"..\\..\\etc\\passwd", host), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ce::ResolveDevicePath(u"\\Windows\\..\\..\\x", host), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ce::ResolveDevicePath(u"\\Windows\\..", host), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ce::ResolveDevicePath(u"\\StorageCard\\..\\Windows", host), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ce::ResolveDevicePath(u"\\Windows\\.\\Info.civ", host), ERROR_BAD_PATHNAME);
    EXPECT_EQ(ce::ResolveDevicePath(u"\\...", host), ERROR_BAD_PATHNAME);
    EXPECT_EQ(OpenError(u"..\\..\\etc\\passwd", GENERIC_READ, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(CreateDirectory(u"\\..\\escaped", nullptr)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(fs::exists(image.dir() / "escaped"));
}

TEST_F(DevicePaths, MalformedNamesAreRefused) {
    fs::path host;
    for (const char16_t* p : {u"\\a<b", u"\\a>b", u"\\C:\\x", u"\\a\"b", u"\\a|b", u"\\a?b", u"\\a*b", u"\\a\tb",
                              u"\\Win*\\x", u"\\a\xD800", u"\\a\xDC00z"})
        EXPECT_EQ(ce::ResolveDevicePath(p, host), ERROR_INVALID_NAME) << ce::ToUtf8(p);
    // A NUL inside the name must not cut it short to an existing path.
    EXPECT_EQ(ce::ResolveDevicePath(std::u16string_view(u"\\Windows\\Info.CIV\0.bak", 22), host), ERROR_INVALID_NAME);
    EXPECT_EQ(ce::ResolveDevicePath(u"", host), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError(nullptr, GENERIC_READ, OPEN_EXISTING), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenError(u"\\a|b", GENERIC_WRITE, CREATE_ALWAYS), DWORD(ERROR_INVALID_NAME));
}

TEST_F(DevicePaths, OverLongPathsAndNames) {
    // MAX_PATH counts the terminator: 259 characters is the longest path.
    std::u16string folder = u"\\" + std::u16string(200, u'd');
    ASSERT_TRUE(CreateDirectory(folder.c_str(), nullptr));
    std::u16string longest = folder + u"\\" + std::u16string(259 - folder.size() - 1, u'f');
    ASSERT_EQ(longest.size(), 259u);
    EXPECT_TRUE(WriteDevice(longest.c_str(), "x"));
    std::u16string tooLong = longest + u"g";
    EXPECT_EQ(OpenError(tooLong.c_str(), GENERIC_WRITE, CREATE_ALWAYS), DWORD(ERROR_FILENAME_EXCED_RANGE));
    std::u16string huge(100000, u'a');
    EXPECT_EQ(AttributesError(huge.c_str()), DWORD(ERROR_FILENAME_EXCED_RANGE));
    // One name longer than the host can store in a folder.
    std::u16string wideName = u"\\" + std::u16string(100, u'\x263A');
    EXPECT_EQ(OpenError(wideName.c_str(), GENERIC_WRITE, CREATE_ALWAYS), DWORD(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(DevicePaths, LinkedFolderLeadingOutsideIsRefused) {
    fs::create_directory_symlink(outside, image.fs() / "Out");
    fs::create_directory_symlink(outside, image.fs() / "StorageCard" / "Out");
    EXPECT_EQ(AttributesError(u"\\Out\\secret.txt"), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(AttributesError(u"\\out"), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\Out\\secret.txt", GENERIC_READ, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\Out\\new.txt", GENERIC_WRITE, CREATE_ALWAYS), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\StorageCard\\Out\\new.txt", GENERIC_WRITE, CREATE_NEW), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(CreateDirectory(u"\\Out\\dir", nullptr)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(DeleteFile(u"\\Out\\secret.txt")), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(CopyFile(u"\\Windows\\Info.CIV", u"\\Out\\copy.txt", FALSE)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(MoveFile(u"\\Windows\\Info.CIV", u"\\Out\\moved.txt")), DWORD(ERROR_ACCESS_DENIED));
    WIN32_FIND_DATA fd;
    EXPECT_EQ(FindFirstFile(u"\\Out\\*", &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator{}), 1);  // nothing new outside
    EXPECT_TRUE(fs::exists(image.fs() / "Windows" / "Info.CIV"));
}

TEST_F(DevicePaths, LinkAsLastComponentIsNeverWrittenThrough) {
    fs::create_symlink(outside / "secret.txt", image.fs() / "link.txt");
    fs::create_symlink(outside / "missing.txt", image.fs() / "dangling.txt");
    for (DWORD disposition : {CREATE_ALWAYS, OPEN_ALWAYS, TRUNCATE_EXISTING, OPEN_EXISTING})
        EXPECT_EQ(OpenError(u"\\LINK.txt", GENERIC_READ | GENERIC_WRITE, disposition), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\dangling.txt", GENERIC_WRITE, CREATE_ALWAYS), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\dangling.txt", GENERIC_WRITE, CREATE_NEW), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(CopyFile(u"\\Windows\\Info.CIV", u"\\link.txt", FALSE)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(CopyFile(u"\\link.txt", u"\\copy.txt", FALSE)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(MoveFile(u"\\link.txt", u"\\StorageCard\\link.txt")), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadTextFile(outside / "secret.txt"), "secret");
    EXPECT_FALSE(fs::exists(outside / "missing.txt"));
    EXPECT_FALSE(fs::exists(image.fs() / "copy.txt"));
    EXPECT_FALSE(fs::exists(image.fs() / "StorageCard" / "link.txt"));
}

TEST_F(DevicePaths, MovingAFolderHoldingALinkToTheCardIsRefusedWhole) {
    WriteTextFile(image.fs() / "Data" / "a.txt", "a");
    fs::create_symlink(outside / "secret.txt", image.fs() / "Data" / "z.lnk");
    EXPECT_EQ(CE_ERROR_OF(MoveFile(u"\\Data", u"\\StorageCard\\Data")), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadTextFile(image.fs() / "Data" / "a.txt"), "a");  // the source is untouched
    EXPECT_TRUE(fs::is_symlink(image.fs() / "Data" / "z.lnk"));
    EXPECT_FALSE(fs::exists(image.fs() / "StorageCard" / "Data"));  // nothing half-copied
}

TEST(DevicePathsCard, AbsentCardDoesNotExistEvenWhenItsFolderDoes) {
    TestImage image("storage_card = absent\n");
    WriteTextFile(image.fs() / "StorageCard" / "left.txt", "stale");
    EXPECT_EQ(AttributesError(u"\\StorageCard"), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(AttributesError(u"\\StorageCard\\left.txt"), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(CE_ERROR_OF(CreateDirectory(u"\\storagecard", nullptr)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\StorageCard", GENERIC_WRITE, CREATE_ALWAYS), DWORD(ERROR_ACCESS_DENIED));
    WIN32_FIND_DATA fd;
    HANDLE h = FindFirstFile(u"\\*", &fd);
    ASSERT_EQ(h, INVALID_HANDLE_VALUE);  // the stale folder is the root's only entry, and hidden
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(DevicePaths, CardFolderThatIsALinkIsNeverFollowed) {
    fs::remove_all(image.fs() / "StorageCard");
    fs::create_directory_symlink(outside, image.fs() / "StorageCard");
    EXPECT_EQ(AttributesError(u"\\StorageCard"), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(AttributesError(u"\\StorageCard\\secret.txt"), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\StorageCard\\Backup.reg", GENERIC_WRITE, CREATE_ALWAYS), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(CopyFile(u"\\Windows\\Info.CIV", u"\\StorageCard\\c.txt", FALSE)),
              DWORD(ERROR_ACCESS_DENIED));
    WIN32_FIND_DATA fd;
    EXPECT_EQ(FindFirstFile(u"\\StorageCard\\*", &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator{}), 1);  // nothing new outside

    // A card folder given on the command line is trusted, even through a link.
    ce::ImageInfo info = ce::Image();
    info.storageCard = image.fs() / ".." / "card-link";
    fs::create_directory_symlink(outside, info.storageCard);
    ce::SetImage(info);
    EXPECT_EQ(ReadDevice(u"\\StorageCard\\secret.txt"), "secret");
}

TEST(DevicePathsCard, HostFolderCardIsReachableButNotLeftThroughLinks) {
    TestImage image("storage_card = present\n");
    fs::path card = MakeTempDir("ce-card-");
    ce::ImageInfo info = ce::Image();
    info.storageCard = card;
    ce::SetImage(info);
    fs::create_directory_symlink(image.fs(), card / "back");

    EXPECT_EQ(GetFileAttributes(u"\\StorageCard"), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY));
    EXPECT_TRUE(WriteDevice(u"\\storagecard\\Backup.reg", "REGEDIT4"));
    EXPECT_EQ(ReadTextFile(card / "Backup.reg"), "REGEDIT4");
    EXPECT_FALSE(fs::exists(image.fs() / "StorageCard" / "Backup.reg"));
    EXPECT_EQ(AttributesError(u"\\StorageCard\\back\\StorageCard"), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(RemoveDirectory(u"\\StorageCard")), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(MoveFile(u"\\StorageCard", u"\\Card2")), DWORD(ERROR_ACCESS_DENIED));
    fs::remove_all(card);
}

TEST(DevicePathsNoImage, EverythingFailsCleanly) {
    ce::ClearImage();
    fs::path host;
    EXPECT_NE(ce::ResolveDevicePath(u"\\Windows", host), DWORD(ERROR_SUCCESS));
    EXPECT_NE(OpenError(u"\\x", GENERIC_WRITE, CREATE_ALWAYS), 0u);
}

}  // namespace
