// log/device.log: one JSON object per line for every request that reaches
// the simulated hardware. Several processes of one image append to the same
// file; an exclusive lock on the file orders them and the sequence number
// continues from the last line written by anyone.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <nlohmann/json.hpp>

#include "ce_kernel.h"

namespace ce {

namespace {

std::mutex g_logMutex;

// Sequence number of the last complete line of the file, 0 when none.
uint64_t LastSeq(int fd, off_t size) {
    if (size <= 0) return 0;
    std::string tail;
    off_t pos = size;
    // Read backwards until the start of the last line is in `tail`.
    while (pos > 0) {
        off_t chunk = std::min<off_t>(pos, 4096);
        pos -= chunk;
        std::string buf(static_cast<size_t>(chunk), '\0');
        if (pread(fd, buf.data(), buf.size(), pos) != chunk) return 0;
        tail.insert(0, buf);
        size_t lastNl = tail.find_last_not_of('\n');
        if (lastNl == std::string::npos) continue;
        size_t start = tail.rfind('\n', lastNl);
        if (start != std::string::npos || pos == 0) {
            // Found by its text, so that a line cut short by a crash still counts.
            std::string line = tail.substr(start == std::string::npos ? 0 : start + 1);
            size_t k = line.find("\"seq\":");
            if (k == std::string::npos) return 0;
            return std::strtoull(line.c_str() + k + 6, nullptr, 10);
        }
    }
    return 0;
}

}  // namespace

void LogDevice(const Json& fields) {
    if (!HasImage()) return;
    std::lock_guard lock(g_logMutex);
    std::filesystem::path dir = Image().root / "log";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    int fd = open((dir / "device.log").c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (flock(fd, LOCK_EX) == 0) {
        struct stat st {};
        fstat(fd, &st);
        uint64_t seq = LastSeq(fd, st.st_size) + 1;
        Json entry;
        entry["seq"] = seq;
        if (fields.is_object())
            for (const auto& [key, value] : fields.items()) entry[key] = value;
        std::string line = entry.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
        ssize_t done = 0;
        while (done < static_cast<ssize_t>(line.size())) {
            ssize_t n = write(fd, line.data() + done, line.size() - done);
            if (n <= 0) break;
            done += n;
        }
        flock(fd, LOCK_UN);
    }
    close(fd);
}

std::string HexBytes(const void* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

}  // namespace ce
