// The registry's store: one SQLite database in the device image
// (DIR/registry.db, WAL), shared by every process of the device.
//
// Tables:
//   keys(id, parent, name, fold, path)
//     One row per key; the four root keys are rows 1..4 (parent NULL).
//     `name` is the name as created (UTF-16LE), `fold` the folded name and
//     `path` the folded full path from the root ("2\software\foo", the root's
//     number first). `fold` and `path` are UTF-16BE so that SQLite's byte
//     order on blobs is the order of UTF-16 units: children of a key are in
//     case-insensitive order on the (parent, fold, name) index (covering, so
//     listing 10,000 children is one sequential scan), and a key's whole
//     subtree is the range path+"\" <= p < path+"]" on the unique path index.
//     Ids are never reused (AUTOINCREMENT), so a handle to a deleted key can
//     tell that its key is gone even after the name is created again.
//   vals(key, fold, name, type, data), primary key (key, fold)
//     The values of a key, in case-insensitive order of their names.
//
// Every write runs in a BEGIN IMMEDIATE transaction, waiting for other
// writers with a busy timeout. Reads between writes share one read
// transaction (SQLite takes its file locks once per transaction, not once
// per statement), held across calls: Ensure() drops it as soon as the WAL
// index header shows a commit of any process since it began, so every call
// reads the newest registry; the API ends it when the caller pauses
// (EndRead) so that an idle process never holds back another's checkpoint.
// Readers never block writers in WAL mode. The change stamp (PRAGMA
// data_version plus a count of this process's own commits) tells the API
// when its caches are stale.
//
// Not thread-safe by itself: the API serialises every call with one mutex.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "savefile.h"
#include "windef.h"

namespace ce::reg {

using KeyId = int64_t;

// A failed SQLite call; the API turns it into a Win32 error.
struct DbError {
    int rc;
};
DWORD Win32FromSqlite(int rc);

// Folded names and paths as stored (UTF-16BE bytes).
std::string FoldBlob(std::u16string_view name);
std::string RootPath(int root);
void AppendToPath(std::string& path, std::u16string_view name);
// How many levels below its root a stored path lies.
size_t PathDepth(const std::string& path);

struct Stamp {
    int64_t dataVersion = -1;
    uint64_t local = 0;
    bool operator==(const Stamp&) const = default;
};

struct ValueEntry {
    std::u16string name;
    DWORD type = 0;
    std::vector<uint8_t> data;
};

// The sub-keys of a key in the store's order (case-insensitive), their names
// kept back to back: one list is a few allocations, whatever its length.
class ChildList {
public:
    size_t size() const { return ids_.size(); }
    std::u16string_view Name(size_t i) const {
        size_t begin = i ? ends_[i - 1] : 0;
        return std::u16string_view(names_).substr(begin, ends_[i] - begin);
    }
    KeyId Id(size_t i) const { return ids_[i]; }
    // The id of the sub-key called `name` in any case; 0 when there is none.
    KeyId Find(std::u16string_view name) const;
    void clear();
    void Add(const void* name, size_t length, KeyId id);

private:
    std::u16string names_;
    std::vector<uint32_t> ends_;
    std::vector<KeyId> ids_;
    mutable size_t next_ = 0;  // where Find looks first
};

// The values of a key in the store's order, names and data back to back.
class ValueList {
public:
    size_t size() const { return types_.size(); }
    std::u16string_view Name(size_t i) const {
        size_t begin = i ? nameEnds_[i - 1] : 0;
        return std::u16string_view(names_).substr(begin, nameEnds_[i] - begin);
    }
    DWORD Type(size_t i) const { return types_[i]; }
    const uint8_t* Data(size_t i) const { return data_.data() + (i ? dataEnds_[i - 1] : 0); }
    size_t DataSize(size_t i) const { return dataEnds_[i] - (i ? dataEnds_[i - 1] : 0); }
    void clear();
    void Add(const void* name, size_t length, DWORD type, const uint8_t* data, size_t size);

private:
    std::u16string names_;
    std::vector<uint32_t> nameEnds_;
    std::vector<DWORD> types_;
    std::vector<uint8_t> data_;
    std::vector<size_t> dataEnds_;
};

struct KeyInfoRequest {
    bool subKeys = false, maxSubKeyLen = false;
    bool values = false, maxValueNameLen = false, maxValueLen = false;
};
struct KeyInfo {
    bool exists = false;
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0;
};

class Store {
public:
    Store() = default;
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Makes the connection usable for the current image and process (opens
    // it on first use, after Close, after a fork, for another image). Returns
    // true when the image changed since the last call. Throws DbError.
    // Called at the start of every call: also reads the WAL index header,
    // against which the call's reads and stamps are checked, and ends a held
    // read that a commit has made old.
    bool Ensure();
    void Close();
    Stamp CurrentStamp();

    // Whether a read transaction is held, and its end (the next read begins
    // a new one at the newest commit).
    bool ReadHeld() const;
    void EndRead();
    // When the held read began.
    std::chrono::steady_clock::time_point ReadSince() const { return readSince_; }

    static KeyId RootId(int root) { return root + 1; }
    // True when this process created the store of the current image.
    bool Created() const { return created_; }
    // Why the store of the current image could not be opened last, in words
    // naming the file ("the registry DIR/registry.db is damaged: ..."); ""
    // after an open that succeeded.
    static std::string Problem();

    // ---- reads ----
    bool KeyExists(KeyId id);
    // The key at `path` (0 when missing) and whether `base` still exists.
    KeyId FindKey(KeyId base, const std::string& path, bool& baseExists);
    // ERROR_SUCCESS, ERROR_MORE_DATA, ERROR_FILE_NOT_FOUND or ERROR_KEY_DELETED,
    // with the Win32 size semantics of RegQueryValueEx.
    DWORD QueryValue(KeyId key, const std::string& fold, DWORD* type, BYTE* data, DWORD* cbData);
    // False when the key no longer exists.
    bool LoadChildren(KeyId key, ChildList& children);
    bool LoadValues(KeyId key, ValueList& values);
    KeyInfo QueryInfo(KeyId key, const KeyInfoRequest& want);
    // How many sub-keys each sub-key of `key` has, by id.
    void LoadSubKeyCounts(KeyId key, std::unordered_map<KeyId, DWORD>& counts);
    bool IsEmpty();
    // The subtree of `key` (at `path`) in save-file form; false when it is gone.
    bool ReadTree(KeyId key, const std::string& path, SavedTree& out);
    // The folded full path of a key; false when it is gone.
    bool KeyPath(KeyId key, std::string& path);

    // The name of key `id` as created; false when it is gone.
    bool KeyName(KeyId id, std::u16string& name);

    // ---- writes, each one transaction (or part of an open WriteTxn) ----
    // Creates the missing keys of `names` below `base`; ERROR_KEY_DELETED
    // when `base` is gone, ERROR_FILENAME_EXCED_RANGE when a key would pass
    // the depth or path-length limit (savefile.h).
    DWORD CreateKey(KeyId base, const std::string& basePath, const std::vector<std::u16string_view>& names, KeyId& id,
                    bool& created);
    DWORD SetValue(KeyId key, std::u16string_view name, DWORD type, const BYTE* data, DWORD cb);
    DWORD DeleteValue(KeyId key, std::u16string_view name);
    // Deletes the key at `path` with its whole subtree.
    DWORD DeleteKey(KeyId base, const std::string& path);
    // Renames the key at `path` (not a root) to `newName`: its row and the
    // paths of its whole subtree change, ids, sub-keys and values stay.
    // ERROR_ALREADY_EXISTS when a sibling has the name in any case (a change
    // of case only is allowed); ERROR_KEY_DELETED when the key is gone;
    // ERROR_FILENAME_EXCED_RANGE when a path below would pass the limit.
    DWORD RenameKey(KeyId key, const std::string& path, std::u16string_view newName, std::string& newPath);
    // Copies the values and sub-keys of `src` into `dst`, merging with what
    // is there (same-named values are replaced, same-named keys keep their
    // name and receive the copy). The source is read first, so a copy into
    // its own subtree copies the subtree as it was. A key the copy would put
    // past the depth or path-length limit: ERROR_FILENAME_EXCED_RANGE, and
    // nothing is copied.
    DWORD CopyTree(KeyId src, const std::string& srcPath, KeyId dst, const std::string& dstPath);
    // Replaces everything below root `root` (and its own values) by `tree`.
    void ReplaceRoot(int root, const SavedTree& tree);
    // Makes every commit so far durable.
    void Flush();

    enum Sql : int;

private:
    friend class Query;
    friend class WriteTxn;
    sqlite3_stmt* Statement(int which);
    void Exec(const char* sql);
    void Open();
    void OpenOnce();
    void CreateFile(const std::string& file);
    void DeleteSubtree(KeyId id, const std::string& path);
    // The one way rows are written, inside a write transaction.
    KeyId InsertKey(KeyId parent, std::u16string_view name, const std::string& path);
    void UpsertValue(KeyId key, std::u16string_view name, DWORD type, const void* data, size_t cb);

    void MapWalIndex();
    void UnmapWalIndex();
    // Copies the WAL-index header; false when it is not mapped.
    bool LoadHeader(uint32_t* out) const;
    void HoldRead();
    void Sync();

    sqlite3* db_ = nullptr;
    // The WAL-index header (first 96 bytes of registry.db-shm: two copies of
    // the 48-byte header that every commit of any process rewrites), mapped
    // read-only. While it reads the same as at the last PRAGMA data_version,
    // no process has committed since, and the stamp needs no SQL.
    static constexpr size_t kWalIndexHeaderSize = 96;
    int shmFd_ = -1;
    const uint32_t* shm_ = nullptr;
    uint32_t seenHeader_[kWalIndexHeaderSize / 4] = {};
    bool seenValid_ = false;
    int64_t seenDataVersion_ = -1;
    // The header as Sync read it, and as it was when the held read began
    // (each valid when mapped).
    uint32_t header_[kWalIndexHeaderSize / 4] = {};
    bool headerValid_ = false;
    uint32_t readHeader_[kWalIndexHeaderSize / 4] = {};
    bool readHeaderValid_ = false;
    std::chrono::steady_clock::time_point readSince_;
    std::vector<sqlite3_stmt*> stmts_;
    int txnDepth_ = 0;
    uint64_t generation_ = 0;
    bool everOpened_ = false;
    uint64_t localCommits_ = 0;
    bool created_ = false;
};

// A write transaction (BEGIN IMMEDIATE ... COMMIT), rolled back unless
// committed. Transactions nest: the store's own writes inside an open one
// become part of it, and only the outermost commits, so several operations
// (a whole .reg import) land together or not at all.
class WriteTxn {
public:
    explicit WriteTxn(Store& store);
    ~WriteTxn();
    WriteTxn(const WriteTxn&) = delete;
    WriteTxn& operator=(const WriteTxn&) = delete;
    void Commit();

private:
    Store& store_;
    bool outer_;
    bool done_ = false;
};

// Runs `body` on this process's store under the registry API's lock, the
// store open for the current image; a store failure becomes its Win32 error.
// For platform code that needs several operations as one (.reg files).
DWORD WithStore(const std::function<DWORD(Store&)>& body);

}  // namespace ce::reg
