// The registry store of a device image reached from a connection of its own,
// as another process would: to change or damage it behind the registry's
// back, or to check that the file is whole.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>

namespace ce::test {

// Runs `sql` on the image's store; "" when it ran, else SQLite's message.
inline std::string StoreSql(const std::filesystem::path& image, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string error;
    if (sqlite3_open_v2((image / "registry.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        error = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    return error;
}

// SQLite's integrity check of the image's store: "ok" when it is whole.
inline std::string StoreIntegrity(const std::filesystem::path& image) {
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2((image / "registry.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
        sqlite3_exec(
            db, "PRAGMA integrity_check",
            [](void* out, int, char** values, char**) {
                *static_cast<std::string*>(out) += values[0] ? values[0] : "";
                return 0;
            },
            &result, nullptr);
    else
        result = sqlite3_errmsg(db);
    sqlite3_close(db);
    return result;
}

}  // namespace ce::test
