// The Win32 file API on a device image: dispositions, reading and seeking,
// copy/move/delete, folders, attributes and searches.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "filetest.h"

namespace fs = std::filesystem;
using namespace ce::test;

namespace {

class FileApi : public ::testing::Test {
protected:
    TestImage image{"storage_card = present\n"};
    fs::path Host(const char* rel) const { return image.fs() / rel; }
};

HANDLE Open(const WCHAR* path, DWORD access, DWORD disposition) {
    return CreateFile(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(FileApi, DispositionsCreateOpenAndTruncate) {
    HANDLE h = Open(u"\\a.txt", GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(h);
    EXPECT_EQ(OpenError(u"\\A.TXT", GENERIC_WRITE, CREATE_NEW), DWORD(ERROR_FILE_EXISTS));
    WriteTextFile(Host("a.txt"), "hello");

    h = Open(u"\\a.txt", GENERIC_READ, OPEN_ALWAYS);  // existing: kept, reported
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(h);
    EXPECT_EQ(ReadTextFile(Host("a.txt")), "hello");
    h = Open(u"\\b.txt", GENERIC_READ, OPEN_ALWAYS);  // missing: made
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(h);
    EXPECT_TRUE(fs::exists(Host("b.txt")));

    h = Open(u"\\a.txt", GENERIC_READ, CREATE_ALWAYS);  // truncates even for a read-only handle
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(h);
    EXPECT_EQ(fs::file_size(Host("a.txt")), 0u);

    WriteTextFile(Host("a.txt"), "hello");
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_READ, TRUNCATE_EXISTING), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_WRITE, TRUNCATE_EXISTING), 0u);
    EXPECT_EQ(fs::file_size(Host("a.txt")), 0u);
    EXPECT_EQ(OpenError(u"\\none.txt", GENERIC_WRITE, TRUNCATE_EXISTING), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OpenError(u"\\none.txt", GENERIC_READ, OPEN_EXISTING), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OpenError(u"\\none\\x.txt", GENERIC_WRITE, CREATE_ALWAYS), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_READ, 0), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_READ, 6), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenError(u"\\a.txt\\", GENERIC_READ, OPEN_EXISTING), DWORD(ERROR_INVALID_NAME));
}

TEST_F(FileApi, FoldersAndReadOnlyFilesCannotBeOpenedForWriting) {
    fs::create_directories(Host("Windows"));
    EXPECT_EQ(OpenError(u"\\Windows", GENERIC_READ, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\", GENERIC_READ, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    WriteTextFile(Host("ro.txt"), "keep");
    fs::permissions(Host("ro.txt"), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(GetFileAttributes(u"\\ro.txt"), DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(OpenError(u"\\ro.txt", GENERIC_WRITE, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\ro.txt", GENERIC_READ, CREATE_ALWAYS), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(DeleteFile(u"\\ro.txt")), DWORD(ERROR_ACCESS_DENIED));
    WriteTextFile(Host("src.txt"), "new");
    EXPECT_EQ(CE_ERROR_OF(CopyFile(u"\\src.txt", u"\\ro.txt", FALSE)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadDevice(u"\\ro.txt"), "keep");
}

TEST_F(FileApi, ReadWriteAndAccessRights) {
    HANDLE h = Open(u"\\data.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
    char buf[16] = {};
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "23456789");
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));  // at the end: success, 0 bytes
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(CE_ERROR_OF(ReadFile(h, nullptr, 4, &n, nullptr)), DWORD(ERROR_INVALID_PARAMETER));
    OVERLAPPED ov{};
    EXPECT_EQ(CE_ERROR_OF(ReadFile(h, buf, 4, &n, &ov)), DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_TRUE(FlushFileBuffers(h));
    CloseHandle(h);
    EXPECT_EQ(CE_ERROR_OF(ReadFile(h, buf, 4, &n, nullptr)), DWORD(ERROR_INVALID_HANDLE));  // closed

    h = Open(u"\\data.bin", GENERIC_READ, OPEN_EXISTING);
    EXPECT_EQ(CE_ERROR_OF(WriteFile(h, "x", 1, &n, nullptr)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(FlushFileBuffers(h)), DWORD(ERROR_ACCESS_DENIED));
    CloseHandle(h);
    h = Open(u"\\data.bin", GENERIC_WRITE, OPEN_EXISTING);
    EXPECT_EQ(CE_ERROR_OF(ReadFile(h, buf, 4, &n, nullptr)), DWORD(ERROR_ACCESS_DENIED));
    CloseHandle(h);
    EXPECT_EQ(CE_ERROR_OF(WriteFile(INVALID_HANDLE_VALUE, "x", 1, &n, nullptr)), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(CE_ERROR_OF(WriteFile(nullptr, "x", 1, &n, nullptr)), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(FileApi, FilePointerAndSizeBeyond4GiB) {
    HANDLE h = Open(u"\\big.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LONG high = 1;  // 4 GiB + 16: the file stays sparse on the host
    EXPECT_EQ(SetFilePointer(h, 16, &high, FILE_BEGIN), 16u);
    EXPECT_EQ(high, 1);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "z", 1, &n, nullptr));
    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(h, &sizeHigh), 17u);
    EXPECT_EQ(sizeHigh, 1u);

    // Without a high part the position has to fit in 32 bits.
    SetLastError(0);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    high = -1;  // back by 4 GiB - 1 from the end: 18
    EXPECT_EQ(SetFilePointer(h, 1, &high, FILE_END), 18u);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_CURRENT), 16u);
    EXPECT_EQ(SetFilePointer(h, -17, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 16u);  // a failed seek does not move
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    // A position whose low part is 0xFFFFFFFF is told apart by the last error.
    high = 0;
    SetLastError(ERROR_GEN_FAILURE);
    EXPECT_EQ(SetFilePointer(h, -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(NO_ERROR));
    CloseHandle(h);
    EXPECT_EQ(GetFileSize(h, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(FileApi, CopyFileReplacesOnlyWhenAllowed) {
    WriteTextFile(Host("src.txt"), "new");
    WriteTextFile(Host("dst.txt"), "old");
    EXPECT_EQ(CE_ERROR_OF(CopyFile(u"\\src.txt", u"\\DST.txt", TRUE)), DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadTextFile(Host("dst.txt")), "old");
    EXPECT_TRUE(CopyFile(u"\\src.txt", u"\\DST.txt", FALSE));
    EXPECT_EQ(ReadTextFile(Host("dst.txt")), "new");
    EXPECT_TRUE(CopyFile(u"\\src.txt", u"\\StorageCard\\src.txt", TRUE));
    EXPECT_EQ(ReadDevice(u"\\StorageCard\\SRC.TXT"), "new");
    EXPECT_TRUE(CopyFile(u"\\src.txt", u"\\src.txt", FALSE));  // onto itself: content kept
    EXPECT_EQ(ReadTextFile(Host("src.txt")), "new");

    fs::create_directories(Host("Dir"));
    EXPECT_EQ(CE_ERROR_OF(CopyFile(u"\\src.txt", u"\\Dir", FALSE)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(CopyFile(u"\\Dir", u"\\x", FALSE)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(CopyFile(u"\\missing", u"\\x", FALSE)), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CE_ERROR_OF(CopyFile(u"\\src.txt", u"\\No\\x", FALSE)), DWORD(ERROR_PATH_NOT_FOUND));
    // No temporary files are left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(image.fs()), fs::directory_iterator{}), 4);
}

TEST_F(FileApi, MoveFileNeverReplaces) {
    WriteTextFile(Host("a.txt"), "a");
    WriteTextFile(Host("b.txt"), "b");
    EXPECT_EQ(CE_ERROR_OF(MoveFile(u"\\a.txt", u"\\B.TXT")), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadTextFile(Host("a.txt")), "a");
    EXPECT_EQ(ReadTextFile(Host("b.txt")), "b");
    EXPECT_EQ(CE_ERROR_OF(MoveFile(u"\\missing", u"\\c.txt")), DWORD(ERROR_FILE_NOT_FOUND));
    // Another spelling of the same name renames it.
    EXPECT_TRUE(MoveFile(u"\\a.txt", u"\\A.Txt"));
    EXPECT_TRUE(fs::exists(Host("A.Txt")));
    EXPECT_FALSE(fs::exists(Host("a.txt")));

    WriteTextFile(Host("Logs") / "Sub" / "x.log", "x");
    EXPECT_TRUE(MoveFile(u"\\logs", u"\\Archive"));
    EXPECT_EQ(ReadDevice(u"\\Archive\\sub\\X.LOG"), "x");
    EXPECT_EQ(CE_ERROR_OF(MoveFile(u"\\Archive", u"\\Archive\\Sub\\Inner")), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(MoveFile(u"\\Archive", u"\\")), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(CE_ERROR_OF(MoveFile(u"\\", u"\\Root2")), DWORD(ERROR_ACCESS_DENIED));
}

TEST_F(FileApi, MoveAcrossTheCardCopiesAndDeletes) {
    WriteTextFile(Host("Backup") / "reg.txt", "registry");
    WriteTextFile(Host("Backup") / "Deep" / "more.bin", std::string(200000, 'm'));
    ASSERT_TRUE(MoveFile(u"\\Backup", u"\\StorageCard\\Backup"));
    EXPECT_FALSE(fs::exists(Host("Backup")));
    EXPECT_EQ(ReadDevice(u"\\StorageCard\\Backup\\reg.txt"), "registry");
    EXPECT_EQ(fs::file_size(Host("StorageCard/Backup/Deep/more.bin")), 200000u);
    ASSERT_TRUE(MoveFile(u"\\StorageCard\\Backup\\reg.txt", u"\\reg.txt"));
    EXPECT_EQ(ReadDevice(u"\\reg.txt"), "registry");
    EXPECT_FALSE(fs::exists(Host("StorageCard/Backup/reg.txt")));
    // An existing target on the other side is not replaced either.
    WriteTextFile(Host("StorageCard/reg.txt"), "card");
    EXPECT_EQ(CE_ERROR_OF(MoveFile(u"\\reg.txt", u"\\StorageCard\\reg.txt")), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadTextFile(Host("StorageCard/reg.txt")), "card");
    EXPECT_EQ(ReadTextFile(Host("reg.txt")), "registry");
}

TEST_F(FileApi, FoldersAttributesAndDeletion) {
    EXPECT_TRUE(CreateDirectory(u"\\Temp", nullptr));
    EXPECT_EQ(CE_ERROR_OF(CreateDirectory(u"\\TEMP", nullptr)), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(CE_ERROR_OF(CreateDirectory(u"\\", nullptr)), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(CE_ERROR_OF(CreateDirectory(u"\\No\\Temp", nullptr)), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFileAttributes(u"\\temp\\"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributes(u"\\"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(WriteDevice(u"\\Temp\\f.txt", "f"));
    EXPECT_EQ(GetFileAttributes(u"\\Temp\\f.txt"), DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(AttributesError(u"\\Temp\\g.txt"), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(AttributesError(u"\\Tmp\\g.txt"), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(AttributesError(u"\\Temp\\f.txt\\g"), DWORD(ERROR_PATH_NOT_FOUND));

    EXPECT_EQ(CE_ERROR_OF(RemoveDirectory(u"\\Temp")), DWORD(ERROR_DIR_NOT_EMPTY));
    EXPECT_EQ(CE_ERROR_OF(RemoveDirectory(u"\\Temp\\f.txt")), DWORD(ERROR_DIRECTORY));
    EXPECT_EQ(CE_ERROR_OF(RemoveDirectory(u"\\")), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CE_ERROR_OF(DeleteFile(u"\\Temp")), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(DeleteFile(u"\\TEMP\\F.TXT"));
    EXPECT_EQ(CE_ERROR_OF(DeleteFile(u"\\Temp\\f.txt")), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(RemoveDirectory(u"\\temp"));
    EXPECT_EQ(CE_ERROR_OF(RemoveDirectory(u"\\Temp")), DWORD(ERROR_FILE_NOT_FOUND));
}

std::vector<std::u16string> FindAll(const WCHAR* pattern, DWORD* error = nullptr) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATA fd;
    HANDLE h = FindFirstFile(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) *error = GetLastError();
        return names;
    }
    do names.push_back(fd.cFileName);
    while (FindNextFile(h, &fd));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(h));
    return names;
}

TEST_F(FileApi, FindMatchesWildcardsCaseInsensitivelyInStableOrder) {
    for (const char* f : {"b.TXT", "a.txt", "C.txt", "readme", "abc.bin", "axc.bin", "Windows/x"})
        WriteTextFile(Host(f), "x");
    using V = std::vector<std::u16string>;
    EXPECT_EQ(FindAll(u"\\*"),
              (V{u"a.txt", u"abc.bin", u"axc.bin", u"b.TXT", u"C.txt", u"readme", u"StorageCard", u"Windows"}));
    EXPECT_EQ(FindAll(u"*.*").size(), 8u);  // also names without a dot
    EXPECT_EQ(FindAll(u"\\*.txt"), (V{u"a.txt", u"b.TXT", u"C.txt"}));
    EXPECT_EQ(FindAll(u"\\A?C.*"), (V{u"abc.bin", u"axc.bin"}));
    EXPECT_EQ(FindAll(u"\\*M*"), (V{u"readme"}));
    EXPECT_EQ(FindAll(u"\\windows"), (V{u"Windows"}));  // a plain name finds the entry itself
    DWORD error = 0;
    EXPECT_TRUE(FindAll(u"\\*.doc", &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(FindAll(u"\\Nope\\*", &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(FindAll(u"\\Win*\\*", &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_INVALID_NAME));
    EXPECT_TRUE(FindAll(u"\\", &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileApi, FindReportsAttributesAndSizesAndChecksHandles) {
    WriteTextFile(Host("Windows/info.civ"), std::string(1234, 'c'));
    WIN32_FIND_DATA fd;
    HANDLE h = FindFirstFile(u"\\Windows\\*.CIV", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fd.nFileSizeLow, 1234u);
    EXPECT_EQ(fd.dwFileAttributes, DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_NE(fd.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_EQ(CE_ERROR_OF(ReadFile(h, &fd, 1, nullptr, nullptr)), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(FindClose(h));
    EXPECT_EQ(CE_ERROR_OF(FindNextFile(h, &fd)), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(CE_ERROR_OF(FindClose(h)), DWORD(ERROR_INVALID_HANDLE));
    HANDLE file = Open(u"\\Windows\\info.civ", GENERIC_READ, OPEN_EXISTING);
    EXPECT_EQ(CE_ERROR_OF(FindClose(file)), DWORD(ERROR_INVALID_HANDLE));  // not a search
    CloseHandle(file);
    EXPECT_EQ(FindFirstFile(u"\\*", nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(FindAll(u"\\StorageCard").size(), 1u);
    ASSERT_NE(h = FindFirstFile(u"\\Storage*", &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(fd.dwFileAttributes, DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY));
    FindClose(h);
}

class FakeDriver : public ce::DeviceDriver {
public:
    DWORD IoControl(DWORD, const BYTE*, DWORD, BYTE*, DWORD, DWORD* pcb) override {
        if (pcb) *pcb = 0;
        return ERROR_SUCCESS;
    }
};

TEST_F(FileApi, DeviceNamesOpenDriversNotFiles) {
    ce::RegisterDevice(u"TST1:", [](DWORD&) { return std::make_shared<FakeDriver>(); });
    HANDLE h = Open(u"TST1:", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    EXPECT_TRUE(DeviceIoControl(h, 1, nullptr, 0, nullptr, 0, &n, nullptr));
    EXPECT_EQ(CE_ERROR_OF(ReadFile(h, &n, 1, &n, nullptr)), DWORD(ERROR_INVALID_HANDLE));
    CloseHandle(h);
    EXPECT_EQ(OpenError(u"TST2:", GENERIC_READ, OPEN_EXISTING), DWORD(ERROR_DEV_NOT_EXIST));
    EXPECT_FALSE(fs::exists(Host("TST1:")));
    ce::UnregisterAllDevices();
}

}  // namespace
