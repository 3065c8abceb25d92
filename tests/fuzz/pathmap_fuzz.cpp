// Device paths over a sandbox image with planted links: whatever the path,
// its walk stays inside the image's file system (or the storage card's
// folder), never ends on a symbolic link, and reading what it opens never
// shows a file from outside.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "ce_kernel.h"
#include "fuzzcheck.h"
#include "pathmap.h"
#include "windows.h"

namespace fs = std::filesystem;
using namespace ce::files;

namespace {

constexpr char kSecret[] = "OUTSIDE THE IMAGE";

// Two images side by side: in "fs" the storage card is a real folder with
// links inside; in "fs2" the card's folder itself is a link out of the image.
// Beside them a host folder given for the card as on the command line.
struct Sandbox {
    fs::path root, fsRoot, card, fsRoot2, hostCard;
    fs::path realFs, realFs2, realHostCard;

    Sandbox() {
        char tmpl[] = "/tmp/ce-fuzz-paths-XXXXXX";
        FUZZ_CHECK(::mkdtemp(tmpl));
        root = tmpl;
        fsRoot = root / "fs";
        card = fsRoot / "StorageCard";
        fsRoot2 = root / "fs2";
        hostCard = root / "hostcard";
        fs::path outside = root / "outside";
        for (const fs::path& d : {fsRoot / "Windows" / "Fonts", card / "Backup", fsRoot / "Docs", outside,
                                  fsRoot2 / "Windows", hostCard / "Backup"})
            fs::create_directories(d);
        Write(outside / "secret.txt", kSecret);
        Write(fsRoot / "Windows" / "info.civ", "inside");
        Write(card / "Backup" / "acc.bak", "inside");
        Write(hostCard / "Backup" / "acc.bak", "inside");
        Write(fsRoot / "Docs" / "\xC3\x84.txt", "inside");  // "Ä.txt"
        Write(fsRoot / "Docs" / "\xC3\xA4.TXT", "inside");  // "ä.TXT"
        Write(fsRoot / "Docs" / "bad\xFFname", "inside");   // not UTF-8: not shown
        // Links of every kind: out of the image, inside it, to the parent,
        // to themselves, to nothing.
        fs::create_symlink("../outside", fsRoot / "Escape");
        fs::create_symlink(outside / "secret.txt", fsRoot / "Windows" / "secret.lnk");
        fs::create_symlink("Windows", fsRoot / "Win");
        fs::create_symlink("..", fsRoot / "Windows" / "up");
        fs::create_symlink("Loop", fsRoot / "Loop");
        fs::create_symlink("nowhere", fsRoot / "Dangling");
        fs::create_symlink("../../outside", card / "out");
        fs::create_symlink("../Backup/acc.bak", card / "Backup" / "again.bak");
        fs::create_symlink("../outside", fsRoot2 / "StorageCard");
        fs::create_symlink("../outside", hostCard / "out");
        FUZZ_CHECK(::mkfifo((fsRoot / "Docs" / "pipe").c_str(), 0644) == 0);
        realFs = fs::canonical(fsRoot);
        realFs2 = fs::canonical(fsRoot2);
        realHostCard = fs::canonical(hostCard);
    }
    ~Sandbox() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    static void Write(const fs::path& p, const char* text) { std::ofstream(p, std::ios::binary) << text; }

    // The image for one of four cases: 0 the card's own folder, 1 no card,
    // 2 the card's folder a link, 3 a host folder given for the card.
    ce::ImageInfo Image(unsigned which) const {
        ce::ImageInfo info;
        info.root = root;
        info.fsRoot = which == 2 ? fsRoot2 : fsRoot;
        if (which != 1) info.storageCard = which == 3 ? hostCard : info.fsRoot / "StorageCard";
        return info;
    }

    static bool Under(const fs::path& p, const fs::path& base) {
        std::string s = p.string(), b = base.string();
        return s == b || (s.size() > b.size() && s.compare(0, b.size(), b) == 0 && s[b.size()] == '/');
    }
    // Inside the image's file system, or the trusted host card folder.
    bool Inside(const fs::path& p, unsigned which) const {
        return Under(p, which == 2 ? realFs2 : realFs) || (which == 3 && Under(p, realHostCard));
    }
};

Sandbox& Box() {
    static Sandbox box;
    return box;
}

fs::path RealPathOf(int fd) {
    std::error_code ec;
    return fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size == 0) return 0;
    Sandbox& box = Box();
    // The first byte chooses how the rest is read and which image it meets.
    unsigned mode = data[0];
    unsigned which = (mode >> 2) & 3;
    std::u16string path;
    if (mode & 1) {
        for (size_t i = 1; i + 1 < size; i += 2) path += char16_t(data[i] | data[i + 1] << 8);
    } else {
        path = ce::FromUtf8(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    }
    ce::SetImage(box.Image(which));

    ParsedPath parsed;
    if (ParseDevicePath(path, parsed, mode & 2) == ERROR_SUCCESS) {
        for (const std::u16string& c : parsed.components) {
            FUZZ_CHECK(!c.empty() && c != u"." && c != u"..");
            FUZZ_CHECK(c.find_first_of(u"\\/") == std::u16string::npos);
        }
        Resolved r;
        if (ResolvePath(parsed, r) == ERROR_SUCCESS) {
            FUZZ_CHECK(r.dir.valid());
            FUZZ_CHECK(box.Inside(RealPathOf(r.dir.get()), which));
            if (r.exists && !r.volumeRoot) {
                FUZZ_CHECK(!S_ISLNK(r.st.st_mode));
                struct stat st {};
                FUZZ_CHECK(::fstatat(r.dir.get(), r.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0);
                FUZZ_CHECK(st.st_ino == r.st.st_ino);
            }
        }
    }

    // The file API on the same path (NUL-terminated as a caller passes it).
    std::u16string arg = path.substr(0, path.find(u'\0'));
    GetFileAttributes(arg.c_str());
    // Device names ("COM1:") go to the drivers, of which the sandbox has none.
    HANDLE h = ce::IsDeviceName(arg)
                   ? INVALID_HANDLE_VALUE
                   : CreateFile(arg.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        char buf[64] = {};
        DWORD got = 0;
        ReadFile(h, buf, sizeof buf - 1, &got, nullptr);
        FUZZ_CHECK(std::strstr(buf, kSecret) == nullptr);
        CloseHandle(h);
    }
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFile(arg.c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        for (int n = 0; n < 64 && FindNextFile(find, &found); ++n) {
        }
        FindClose(find);
    }
    return 0;
}
