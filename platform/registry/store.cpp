// The registry's SQLite store (see store.h for the tables).
#include "store.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "ce_kernel.h"

static_assert(std::endian::native == std::endian::little, "names are stored as UTF-16LE by copying host memory");

namespace ce::reg {

namespace {

constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 20000;

// A forked child must not touch the connection it inherited (SQLite's rule):
// the child abandons it and opens its own.
std::atomic<bool> g_forked{false};
void OnFork() {
    g_forked.store(true);
}

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER,
  name BLOB NOT NULL,
  fold BLOB NOT NULL,
  path BLOB NOT NULL UNIQUE);
CREATE INDEX IF NOT EXISTS keys_children ON keys(parent, fold, name);
CREATE TABLE IF NOT EXISTS vals(
  key INTEGER NOT NULL,
  fold BLOB NOT NULL,
  name BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, fold)) WITHOUT ROWID;
)";

void Check(int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) throw DbError{rc};
}

std::u16string BlobToU16(const void* p, int bytes) {
    std::u16string s(static_cast<size_t>(bytes) / 2, u'\0');
    if (!s.empty()) std::memcpy(s.data(), p, s.size() * 2);
    return s;
}

void AppendBe(std::string& out, char16_t c) {
    out.push_back(static_cast<char>(c >> 8));
    out.push_back(static_cast<char>(c & 0xFF));
}

}  // namespace

// Cached statements, prepared on first use.
enum Store::Sql : int {
    kBegin,
    kBeginRead,
    kCommit,
    kRollback,
    // Every statement from here on reads (or writes inside a WriteTxn).
    kDataVersion,
    kKeyExists,
    kFindKey,
    kFindKeyFrom,
    kInsertKey,
    kQueryValue,
    kUpsertValue,
    kDeleteValue,
    kChildren,
    kValues,
    kInfo,
    kIsEmpty,
    kChildCounts,
    kDeleteKeyValues,
    kDeleteSubtreeValues,
    kDeleteKeyRow,
    kDeleteSubtreeKeys,
    kSubtree,
    kKeyName,
    kKeyPath,
    kRenameKeyRow,
    kSetPath,
    kSqlCount
};

namespace {

const char* const kSql[Store::kSqlCount] = {
    "BEGIN IMMEDIATE",
    "BEGIN",
    "COMMIT",
    "ROLLBACK",
    "PRAGMA data_version",
    "SELECT 1 FROM keys WHERE id=?1",
    "SELECT id FROM keys WHERE path=?1",
    "SELECT (SELECT id FROM keys WHERE path=?2), EXISTS(SELECT 1 FROM keys WHERE id=?1)",
    "INSERT INTO keys(parent, name, fold, path) VALUES(?1, ?2, ?3, ?4)",
    "SELECT type, data FROM vals WHERE key=?1 AND fold=?2",
    "INSERT INTO vals(key, fold, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data",
    "DELETE FROM vals WHERE key=?1 AND fold=?2",
    "SELECT name, id FROM keys WHERE parent=?1 ORDER BY fold",
    "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY fold",
    // Only the parts asked for are computed: CASE evaluates lazily.
    "SELECT EXISTS(SELECT 1 FROM keys WHERE id=?1),"
    " CASE WHEN ?2 THEN (SELECT count(*) FROM keys WHERE parent=?1) END,"
    " CASE WHEN ?3 THEN (SELECT max(length(name)) FROM keys WHERE parent=?1) END,"
    " CASE WHEN ?4 THEN (SELECT count(*) FROM vals WHERE key=?1) END,"
    " CASE WHEN ?5 THEN (SELECT max(length(name)) FROM vals WHERE key=?1) END,"
    " CASE WHEN ?6 THEN (SELECT max(length(data)) FROM vals WHERE key=?1) END",
    "SELECT EXISTS(SELECT 1 FROM keys WHERE parent IS NOT NULL)",
    "SELECT k.id, (SELECT count(*) FROM keys c WHERE c.parent=k.id) FROM keys k WHERE k.parent=?1",
    "DELETE FROM vals WHERE key=?1",
    "DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE path>=?1 AND path<?2)",
    "DELETE FROM keys WHERE id=?1",
    "DELETE FROM keys WHERE path>=?1 AND path<?2",
    "SELECT id, parent, name, path FROM keys WHERE path>=?1 AND path<?2 ORDER BY path",
    "SELECT name FROM keys WHERE id=?1",
    "SELECT path FROM keys WHERE id=?1",
    "UPDATE keys SET name=?2, fold=?3, path=?4 WHERE id=?1",
    "UPDATE keys SET path=?2 WHERE id=?1",
};

}  // namespace

// One use of a cached statement; resets it when done. A read outside a write
// transaction runs in the store's held read (see HoldRead).
class Query {
public:
    Query(Store& store, int which) : s_(store.Statement(which)) {
        if (which >= Store::kDataVersion && store.txnDepth_ == 0) store.HoldRead();
    }
    ~Query() { sqlite3_reset(s_); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& Int(int i, int64_t v) {
        Check(sqlite3_bind_int64(s_, i, v));
        return *this;
    }
    // The bytes must live until the query ends. Empty data is an empty blob, not NULL.
    Query& Blob(int i, const void* p, size_t n) {
        Check(n ? sqlite3_bind_blob64(s_, i, p, n, SQLITE_STATIC) : sqlite3_bind_zeroblob(s_, i, 0));
        return *this;
    }
    Query& Blob(int i, const std::string& b) { return Blob(i, b.data(), b.size()); }
    Query& Blob(int i, std::u16string_view s) { return Blob(i, s.data(), s.size() * 2); }

    bool Step() {
        int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw DbError{rc};
    }
    void Run() {
        while (Step()) {
        }
    }
    int64_t Col(int c) { return sqlite3_column_int64(s_, c); }
    bool IsNull(int c) { return sqlite3_column_type(s_, c) == SQLITE_NULL; }
    const void* ColBlob(int c) { return sqlite3_column_blob(s_, c); }
    int ColBytes(int c) { return sqlite3_column_bytes(s_, c); }
    std::u16string ColU16(int c) {
        const void* p = ColBlob(c);
        return BlobToU16(p, ColBytes(c));
    }

private:
    sqlite3_stmt* s_;
};

WriteTxn::WriteTxn(Store& store) : store_(store), outer_(store.txnDepth_ == 0) {
    if (outer_) {
        // A held read cannot become a write unless its snapshot is the
        // newest; a fresh IMMEDIATE transaction waits for other writers.
        store_.EndRead();
        Query(store_, Store::kBegin).Run();
    }
    ++store_.txnDepth_;
}

WriteTxn::~WriteTxn() {
    --store_.txnDepth_;
    if (outer_ && !done_) sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void WriteTxn::Commit() {
    done_ = true;
    if (!outer_) return;
    Query(store_, Store::kCommit).Run();
    ++store_.localCommits_;
}

DWORD Win32FromSqlite(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return ERROR_REGISTRY_CORRUPT;
        case SQLITE_CANTOPEN:
            return ERROR_CANTOPEN;
        case SQLITE_NOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case SQLITE_FULL:
            return ERROR_CANTWRITE;
        default:
            return ERROR_REGISTRY_IO_FAILED;
    }
}

std::string FoldBlob(std::u16string_view name) {
    std::string out;
    out.reserve(name.size() * 2);
    for (char16_t c : name) AppendBe(out, FoldChar(c));
    return out;
}

std::string RootPath(int root) {
    std::string out;
    AppendBe(out, static_cast<char16_t>(u'0' + root));
    return out;
}

void AppendToPath(std::string& path, std::u16string_view name) {
    path.reserve(path.size() + 2 + name.size() * 2);
    AppendBe(path, u'\\');
    for (char16_t c : name) AppendBe(path, FoldChar(c));
}

size_t PathDepth(const std::string& path) {
    size_t depth = 0;
    for (size_t i = 0; i + 1 < path.size(); i += 2)
        if (path[i] == 0 && path[i + 1] == '\\') ++depth;
    return depth;
}

// The range of paths strictly below `path`: [path + "\", path + "]").
static std::pair<std::string, std::string> SubtreeRange(const std::string& path) {
    std::string lo = path, hi = path;
    AppendBe(lo, u'\\');
    AppendBe(hi, u'\\' + 1);
    return {lo, hi};
}

Store::~Store() {
    Close();
}

sqlite3_stmt* Store::Statement(int which) {
    sqlite3_stmt*& s = stmts_[which];
    if (!s) Check(sqlite3_prepare_v3(db_, kSql[which], -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr));
    return s;
}

void Store::Exec(const char* sql) {
    Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

void Store::Close() {
    for (sqlite3_stmt*& s : stmts_) {
        sqlite3_finalize(s);
        s = nullptr;
    }
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    // Only now: closing any descriptor of the -shm file drops every POSIX
    // lock this process holds on it, SQLite's included.
    UnmapWalIndex();
}

void Store::MapWalIndex() {
    std::string file = (Image().root / "registry.db-shm").string();
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    void* p = MAP_FAILED;
    if (::fstat(fd, &st) == 0 && st.st_size >= static_cast<off_t>(kWalIndexHeaderSize))
        p = ::mmap(nullptr, kWalIndexHeaderSize, PROT_READ, MAP_SHARED, fd, 0);
    // Kept open even when unmapped: see Close().
    shmFd_ = fd;
    if (p != MAP_FAILED) shm_ = static_cast<const uint32_t*>(p);
    seenValid_ = false;
}

void Store::UnmapWalIndex() {
    if (shm_) ::munmap(const_cast<uint32_t*>(shm_), kWalIndexHeaderSize);
    if (shmFd_ >= 0) ::close(shmFd_);
    shm_ = nullptr;
    shmFd_ = -1;
    seenValid_ = false;
}

bool Store::Ensure() {
    static const bool atforkInstalled = [] {
        pthread_atfork(nullptr, nullptr, OnFork);
        return true;
    }();
    (void)atforkInstalled;
    if (g_forked.exchange(false) && db_) {
        // Leaked on purpose: closing it here could disturb the parent's locks.
        db_ = nullptr;
        stmts_.assign(kSqlCount, nullptr);
        shm_ = nullptr;
        shmFd_ = -1;
        seenValid_ = false;
    }
    bool changed = !everOpened_ || generation_ != ImageGeneration();
    if (changed) {
        Close();
        generation_ = ImageGeneration();
        everOpened_ = true;
        created_ = false;
    }
    if (!db_) Open();
    Sync();
    return changed;
}

void Store::Open() {
    // Turning a new file to WAL needs an exclusive lock and does not wait for
    // it: a process that opens the store at the same moment as another may
    // be told SQLITE_BUSY. Try again for as long as a write would wait.
    for (int waited = 0;;) {
        try {
            OpenOnce();
            return;
        } catch (const DbError& e) {
            int code = e.rc & 0xFF;
            if ((code != SQLITE_BUSY && code != SQLITE_LOCKED) || waited >= kBusyTimeoutMs) throw;
        }
        int pause = waited < 100 ? 1 : 10;
        sqlite3_sleep(pause);
        waited += pause;
    }
}

namespace {

// Runs one statement that yields a single integer (0 when it yields nothing).
int64_t IntOf(sqlite3* db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        throw DbError{rc};
    }
    rc = sqlite3_step(st);
    int64_t v = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw DbError{rc};
    return v;
}

bool Compiles(sqlite3* db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    sqlite3_finalize(st);
    return rc == SQLITE_OK;
}

void ExecOn(sqlite3* db, const char* sql) {
    Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

// What is wrong with the schema of an existing store, or "".
std::string SchemaProblem(sqlite3* db) {
    int64_t version = IntOf(db, "PRAGMA user_version");
    if (version == 0 && IntOf(db, "SELECT count(*) FROM sqlite_schema") == 0)
        return "it holds no registry (an empty or unfinished file)";
    if (version != kSchemaVersion)
        return "its format version is " + std::to_string(version) + ", this device reads version " +
               std::to_string(kSchemaVersion);
    if (!Compiles(db, "SELECT id, parent, name, fold, path FROM keys"))
        return "its table of keys is missing or incomplete";
    if (!Compiles(db, "SELECT key, fold, name, type, data FROM vals"))
        return "its table of values is missing or incomplete";
    if (IntOf(db, "SELECT count(*) FROM sqlite_schema WHERE type='index' AND name='keys_children'") != 1)
        return "its index of sub-keys is missing";
    if (IntOf(db, "SELECT count(*) FROM keys WHERE id BETWEEN 1 AND 4 AND parent IS NULL") != 4)
        return "one of its four root keys is missing";
    return "";
}

std::mutex g_problemMutex;
std::string g_problem;

void SetProblem(std::string text) {
    std::lock_guard lock(g_problemMutex);
    g_problem = std::move(text);
}

}  // namespace

std::string Store::Problem() {
    std::lock_guard lock(g_problemMutex);
    return g_problem;
}

// A new store is built under a temporary name and linked into place whole,
// so that registry.db either does not exist or holds a complete registry:
// any other state (an empty file, a foreign database) is damage. Of several
// processes creating it at once, the first link wins; the others use it.
void Store::CreateFile(const std::string& file) {
    std::string temp = file + ".new-" + std::to_string(::getpid());
    std::remove(temp.c_str());
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    try {
        if (rc != SQLITE_OK) throw DbError{rc};
        // WAL is a property of the file: set once, here.
        ExecOn(db, "PRAGMA journal_mode=WAL");
        ExecOn(db, "BEGIN IMMEDIATE");
        ExecOn(db, kSchema);
        // The four roots: ids 1..4, paths "0".."3" (UTF-16BE).
        ExecOn(db,
               "INSERT INTO keys(id, parent, name, fold, path) VALUES"
               "(1, NULL, x'', x'', x'0030'), (2, NULL, x'', x'', x'0031'),"
               "(3, NULL, x'', x'', x'0032'), (4, NULL, x'', x'', x'0033')");
        ExecOn(db, ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
        ExecOn(db, "COMMIT");
    } catch (...) {
        sqlite3_close_v2(db);
        std::remove(temp.c_str());
        throw;
    }
    // The last connection's close checkpoints the WAL into the file and removes it.
    sqlite3_close_v2(db);
    int linked = ::link(temp.c_str(), file.c_str());
    int linkErrno = errno;
    std::remove(temp.c_str());
    if (linked != 0 && linkErrno != EEXIST) throw DbError{SQLITE_CANTOPEN};
    if (linked == 0) {
        created_ = true;
        int dir = ::open((Image().root).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
}

void Store::OpenOnce() {
    if (!HasImage()) throw DbError{SQLITE_CANTOPEN};
    stmts_.assign(kSqlCount, nullptr);
    std::string file = (Image().root / "registry.db").string();
    SetProblem("");
    struct stat st;
    if (::lstat(file.c_str(), &st) != 0 && errno == ENOENT) CreateFile(file);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        SetProblem("the registry " + file + " cannot be opened (" + sqlite3_errstr(rc) + ")");
        throw DbError{rc};
    }
    db_ = db;
    try {
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        sqlite3_extended_result_codes(db_, 1);
        // Checked before anything is written: a damaged file stays as found.
        std::string problem = SchemaProblem(db_);
        if (!problem.empty()) {
            SetProblem("the registry " + file + " is damaged: " + problem);
            throw DbError{SQLITE_CORRUPT};
        }
        std::string mode;
        sqlite3_exec(
            db_, "PRAGMA journal_mode",
            [](void* out, int, char** v, char**) {
                *static_cast<std::string*>(out) = v[0] ? v[0] : "";
                return 0;
            },
            &mode, nullptr);
        if (mode != "wal") Exec("PRAGMA journal_mode=WAL");
        // In WAL mode every commit survives the end of the process; a
        // checkpoint (RegFlushKey) makes it survive the end of the machine.
        Exec("PRAGMA synchronous=NORMAL");
        // The connection now holds the -shm file open (and so in place) until it closes.
        MapWalIndex();
    } catch (const DbError& e) {
        if ((e.rc & 0xFF) == SQLITE_NOTADB || (e.rc & 0xFF) == SQLITE_CORRUPT) {
            if (Problem().empty()) SetProblem("the registry " + file + " is damaged: it is not a registry store");
        } else if ((e.rc & 0xFF) != SQLITE_BUSY && (e.rc & 0xFF) != SQLITE_LOCKED) {
            SetProblem("the registry " + file + " cannot be used (" + sqlite3_errstr(e.rc) + ")");
        }
        Close();
        throw;
    }
}

bool Store::LoadHeader(uint32_t* out) const {
    if (!shm_) return false;
    for (size_t i = 0; i < kWalIndexHeaderSize / 4; ++i) out[i] = __atomic_load_n(&shm_[i], __ATOMIC_ACQUIRE);
    return true;
}

bool Store::ReadHeld() const {
    return db_ && txnDepth_ == 0 && !sqlite3_get_autocommit(db_);
}

void Store::HoldRead() {
    if (!sqlite3_get_autocommit(db_)) return;
    // The header was read at the start of the call, before the snapshot is
    // taken: the snapshot holds at least every commit it names.
    std::memcpy(readHeader_, header_, sizeof header_);
    readHeaderValid_ = headerValid_;
    Query(*this, kBeginRead).Run();
    readSince_ = std::chrono::steady_clock::now();
}

void Store::EndRead() {
    if (!ReadHeld()) return;
    // A read transaction has nothing to write: its COMMIT only drops the
    // snapshot and its locks.
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Store::Sync() {
    headerValid_ = LoadHeader(header_);
    if (!ReadHeld()) return;
    if (headerValid_ && readHeaderValid_ && std::memcmp(header_, readHeader_, sizeof header_) == 0) return;
    EndRead();
}

// The stamp as of the start of the call (Sync): a commit during the call is
// seen by the next one.
Stamp Store::CurrentStamp() {
    if (headerValid_ && seenValid_ && std::memcmp(header_, seenHeader_, sizeof header_) == 0)
        return Stamp{seenDataVersion_, localCommits_};
    // Any snapshot of this call began after Sync read the header: the version
    // read below belongs to that header or a later commit.
    Query q(*this, kDataVersion);
    q.Step();
    int64_t version = q.Col(0);
    if (headerValid_) {
        std::memcpy(seenHeader_, header_, sizeof header_);
        seenDataVersion_ = version;
        seenValid_ = true;
    }
    return Stamp{version, localCommits_};
}

bool Store::KeyExists(KeyId id) {
    return Query(*this, kKeyExists).Int(1, id).Step();
}

KeyId Store::FindKey(KeyId base, const std::string& path, bool& baseExists) {
    Query q(*this, kFindKeyFrom);
    q.Int(1, base).Blob(2, path).Step();
    baseExists = q.Col(1) != 0;
    return q.IsNull(0) ? 0 : q.Col(0);
}

DWORD Store::QueryValue(KeyId key, const std::string& fold, DWORD* type, BYTE* data, DWORD* cbData) {
    Query q(*this, kQueryValue);
    if (!q.Int(1, key).Blob(2, fold).Step()) {
        // Values go with their key: none found may mean no key.
        return KeyExists(key) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    }
    // The caller's size is read before the type is written: both may be one DWORD.
    DWORD room = cbData ? *cbData : 0;
    if (type) *type = static_cast<DWORD>(q.Col(0));
    DWORD size = static_cast<DWORD>(q.ColBytes(1));
    DWORD result = ERROR_SUCCESS;
    if (data) {
        if (room < size) {
            result = ERROR_MORE_DATA;
        } else if (size) {
            std::memcpy(data, q.ColBlob(1), size);
        }
    }
    if (cbData) *cbData = size;
    return result;
}

bool Store::KeyName(KeyId id, std::u16string& name) {
    Query q(*this, kKeyName);
    if (!q.Int(1, id).Step()) return false;
    name = q.ColU16(0);
    return true;
}

// The fold of one unit, with ASCII done here: most names are ASCII.
static inline char16_t Fold(char16_t c) {
    if (c < 0x80) return static_cast<char16_t>(c >= u'A' && c <= u'Z' ? c + 32 : c);
    return FoldChar(c);
}

// Names compare as the store orders them: by folded UTF-16 units, a prefix
// first. `folded` is folded already.
static int CompareFolded(std::u16string_view name, std::u16string_view folded) {
    size_t n = std::min(name.size(), folded.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t x = Fold(name[i]), y = folded[i];
        if (x != y) return x < y ? -1 : 1;
    }
    return name.size() < folded.size() ? -1 : name.size() > folded.size() ? 1 : 0;
}

KeyId ChildList::Find(std::u16string_view name) const {
    char16_t buffer[kMaxKeyNameLength];
    if (name.size() > kMaxKeyNameLength) return 0;
    for (size_t i = 0; i < name.size(); ++i) buffer[i] = Fold(name[i]);
    std::u16string_view folded(buffer, name.size());
    // Sub-keys are mostly opened in the order they were listed: the one after
    // the last found is tried first.
    if (next_ < size() && CompareFolded(Name(next_), folded) == 0) return ids_[next_++];
    size_t lo = 0, hi = size();
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        int c = CompareFolded(Name(mid), folded);
        if (c == 0) {
            next_ = mid + 1;
            return ids_[mid];
        }
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return 0;
}

void ChildList::clear() {
    next_ = 0;
    names_.clear();
    ends_.clear();
    ids_.clear();
}

// Names come as SQLite's blobs, which need not be aligned for char16_t.
static void AppendUnits(std::u16string& to, const void* from, size_t units) {
    if (!units) return;
    size_t at = to.size();
    to.resize(at + units);
    std::memcpy(to.data() + at, from, units * 2);
}

void ChildList::Add(const void* name, size_t length, KeyId id) {
    AppendUnits(names_, name, length);
    ends_.push_back(static_cast<uint32_t>(names_.size()));
    ids_.push_back(id);
}

void ValueList::clear() {
    names_.clear();
    nameEnds_.clear();
    types_.clear();
    data_.clear();
    dataEnds_.clear();
}

void ValueList::Add(const void* name, size_t length, DWORD type, const uint8_t* data, size_t size) {
    AppendUnits(names_, name, length);
    nameEnds_.push_back(static_cast<uint32_t>(names_.size()));
    types_.push_back(type);
    if (size) data_.insert(data_.end(), data, data + size);
    dataEnds_.push_back(data_.size());
}

// A key's sub-keys and values go with it in one transaction: rows found mean
// the key exists, and only an empty list needs to ask.
bool Store::LoadChildren(KeyId key, ChildList& children) {
    children.clear();
    {
        Query q(*this, kChildren);
        q.Int(1, key);
        while (q.Step()) children.Add(q.ColBlob(0), static_cast<size_t>(q.ColBytes(0)) / 2, q.Col(1));
    }
    return children.size() || KeyExists(key);
}

bool Store::LoadValues(KeyId key, ValueList& values) {
    values.clear();
    {
        Query q(*this, kValues);
        q.Int(1, key);
        while (q.Step())
            values.Add(q.ColBlob(0), static_cast<size_t>(q.ColBytes(0)) / 2, static_cast<DWORD>(q.Col(1)),
                       static_cast<const uint8_t*>(q.ColBlob(2)), static_cast<size_t>(q.ColBytes(2)));
    }
    return values.size() || KeyExists(key);
}

KeyInfo Store::QueryInfo(KeyId key, const KeyInfoRequest& want) {
    Query q(*this, kInfo);
    q.Int(1, key)
        .Int(2, want.subKeys)
        .Int(3, want.maxSubKeyLen)
        .Int(4, want.values)
        .Int(5, want.maxValueNameLen)
        .Int(6, want.maxValueLen)
        .Step();
    KeyInfo info;
    info.exists = q.Col(0) != 0;
    info.subKeys = static_cast<DWORD>(q.Col(1));
    info.maxSubKeyLen = static_cast<DWORD>(q.Col(2) / 2);
    info.values = static_cast<DWORD>(q.Col(3));
    info.maxValueNameLen = static_cast<DWORD>(q.Col(4) / 2);
    info.maxValueLen = static_cast<DWORD>(q.Col(5));
    return info;
}

void Store::LoadSubKeyCounts(KeyId key, std::unordered_map<KeyId, DWORD>& counts) {
    counts.clear();
    Query q(*this, kChildCounts);
    q.Int(1, key);
    while (q.Step()) counts.emplace(q.Col(0), static_cast<DWORD>(q.Col(1)));
}

bool Store::IsEmpty() {
    Query q(*this, kIsEmpty);
    q.Step();
    return q.Col(0) == 0;
}

bool Store::ReadTree(KeyId key, const std::string& path, SavedTree& out) {
    // Every read of one call shares a snapshot: the save is a consistent
    // picture of the tree.
    if (!KeyExists(key)) return false;
    out.keys.clear();
    std::unordered_map<KeyId, uint32_t> index{{key, 0}};
    std::vector<KeyId> ids{key};
    out.keys.emplace_back();
    {
        auto [lo, hi] = SubtreeRange(path);
        Query q(*this, kSubtree);
        q.Blob(1, lo).Blob(2, hi);
        while (q.Step()) {
            SavedKey k;
            auto parent = index.find(q.Col(1));
            if (parent == index.end()) throw DbError{SQLITE_CORRUPT};
            k.parent = parent->second;
            k.name = q.ColU16(2);
            index.emplace(q.Col(0), static_cast<uint32_t>(out.keys.size()));
            ids.push_back(q.Col(0));
            out.keys.push_back(std::move(k));
        }
    }
    for (size_t i = 0; i < ids.size(); ++i) {
        Query q(*this, kValues);
        q.Int(1, ids[i]);
        while (q.Step()) {
            SavedValue v;
            v.name = q.ColU16(0);
            v.type = static_cast<DWORD>(q.Col(1));
            auto p = static_cast<const uint8_t*>(q.ColBlob(2));
            v.data.assign(p, p + q.ColBytes(2));
            out.keys[i].values.push_back(std::move(v));
        }
    }
    return true;
}

DWORD Store::CreateKey(KeyId base, const std::string& basePath, const std::vector<std::u16string_view>& names,
                       KeyId& id, bool& created) {
    WriteTxn txn(*this);
    if (!KeyExists(base)) return ERROR_KEY_DELETED;
    created = false;
    id = base;
    std::string path = basePath;
    // The path below the root: the stored path less its root digit and first '\'.
    size_t depth = PathDepth(path);
    size_t length = path.size() / 2 > 2 ? path.size() / 2 - 2 : 0;
    for (std::u16string_view name : names) {
        if (name.find(u'\0') != name.npos) return ERROR_INVALID_PARAMETER;
        length += name.size() + (depth ? 1 : 0);
        if (!WithinKeyLimits(++depth, length)) return ERROR_FILENAME_EXCED_RANGE;
    }
    for (std::u16string_view name : names) {
        AppendToPath(path, name);
        Query find(*this, kFindKey);
        if (find.Blob(1, path).Step()) {
            id = find.Col(0);
            continue;
        }
        id = InsertKey(id, name, path);
        created = true;
    }
    txn.Commit();
    return ERROR_SUCCESS;
}

KeyId Store::InsertKey(KeyId parent, std::u16string_view name, const std::string& path) {
    std::string fold = FoldBlob(name);
    Query(*this, kInsertKey).Int(1, parent).Blob(2, name).Blob(3, fold).Blob(4, path).Run();
    return sqlite3_last_insert_rowid(db_);
}

void Store::UpsertValue(KeyId key, std::u16string_view name, DWORD type, const void* data, size_t cb) {
    std::string fold = FoldBlob(name);
    Query(*this, kUpsertValue).Int(1, key).Blob(2, fold).Blob(3, name).Int(4, type).Blob(5, data, cb).Run();
}

DWORD Store::SetValue(KeyId key, std::u16string_view name, DWORD type, const BYTE* data, DWORD cb) {
    if (name.find(u'\0') != name.npos) return ERROR_INVALID_PARAMETER;
    WriteTxn txn(*this);
    if (!KeyExists(key)) return ERROR_KEY_DELETED;
    UpsertValue(key, name, type, data, cb);
    txn.Commit();
    return ERROR_SUCCESS;
}

DWORD Store::DeleteValue(KeyId key, std::u16string_view name) {
    WriteTxn txn(*this);
    std::string fold = FoldBlob(name);
    Query(*this, kDeleteValue).Int(1, key).Blob(2, fold).Run();
    if (sqlite3_changes(db_) == 0) return KeyExists(key) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    txn.Commit();
    return ERROR_SUCCESS;
}

void Store::DeleteSubtree(KeyId id, const std::string& path) {
    auto [lo, hi] = SubtreeRange(path);
    Query(*this, kDeleteSubtreeValues).Blob(1, lo).Blob(2, hi).Run();
    Query(*this, kDeleteSubtreeKeys).Blob(1, lo).Blob(2, hi).Run();
    Query(*this, kDeleteKeyValues).Int(1, id).Run();
}

DWORD Store::DeleteKey(KeyId base, const std::string& path) {
    WriteTxn txn(*this);
    bool baseExists;
    KeyId id = FindKey(base, path, baseExists);
    if (!baseExists) return ERROR_KEY_DELETED;
    if (!id) return ERROR_FILE_NOT_FOUND;
    if (id <= RootId(3)) return ERROR_ACCESS_DENIED;  // the roots stay, whatever the caller
    DeleteSubtree(id, path);
    Query(*this, kDeleteKeyRow).Int(1, id).Run();
    txn.Commit();
    return ERROR_SUCCESS;
}

bool Store::KeyPath(KeyId key, std::string& path) {
    Query q(*this, kKeyPath);
    if (!q.Int(1, key).Step()) return false;
    path.assign(static_cast<const char*>(q.ColBlob(0)), static_cast<size_t>(q.ColBytes(0)));
    return true;
}

DWORD Store::RenameKey(KeyId key, const std::string& path, std::u16string_view newName, std::string& newPath) {
    WriteTxn txn(*this);
    std::string current;
    if (!KeyPath(key, current) || current != path) return ERROR_KEY_DELETED;
    if (key <= RootId(3)) return ERROR_ACCESS_DENIED;
    // The parent's path: everything before the last "\" (UTF-16BE units).
    size_t cut = path.size();
    do {
        cut -= 2;
    } while (cut > 0 && !(path[cut] == 0 && path[cut + 1] == '\\'));
    newPath = path.substr(0, cut);
    AppendToPath(newPath, newName);
    std::string fold = FoldBlob(newName);
    if (newPath != path) {
        if (Query(*this, kFindKey).Blob(1, newPath).Step()) return ERROR_ALREADY_EXISTS;
        // Every descendant's path starts with the old path: swap the prefix.
        // No row can hold a new path yet (its parent would exist), so the
        // unique index never sees two rows with one path.
        std::vector<std::pair<KeyId, std::string>> below;
        size_t longest = newPath.size();
        {
            auto [lo, hi] = SubtreeRange(path);
            Query q(*this, kSubtree);
            q.Blob(1, lo).Blob(2, hi);
            while (q.Step()) {
                auto p = static_cast<const char*>(q.ColBlob(3));
                below.emplace_back(q.Col(0), newPath + std::string(p + path.size(), q.ColBytes(3) - path.size()));
                longest = std::max(longest, below.back().second.size());
            }
        }
        // A longer name lengthens every path below it (the root digit and its '\' do not count).
        if (!WithinKeyLimits(0, longest / 2 - 2)) return ERROR_FILENAME_EXCED_RANGE;
        for (const auto& [id, p] : below) Query(*this, kSetPath).Int(1, id).Blob(2, p).Run();
    }
    Query(*this, kRenameKeyRow).Int(1, key).Blob(2, newName).Blob(3, fold).Blob(4, newPath).Run();
    txn.Commit();
    return ERROR_SUCCESS;
}

DWORD Store::CopyTree(KeyId src, const std::string& srcPath, KeyId dst, const std::string& dstPath) {
    WriteTxn txn(*this);
    std::string current;
    if (!KeyPath(src, current) || current != srcPath) return ERROR_KEY_DELETED;
    if (!KeyPath(dst, current) || current != dstPath) return ERROR_KEY_DELETED;
    struct Copied {
        KeyId srcId;
        size_t parent;
        std::u16string name;
    };
    std::vector<Copied> keys{{src, 0, {}}};
    {
        std::unordered_map<KeyId, size_t> index{{src, 0}};
        auto [lo, hi] = SubtreeRange(srcPath);
        Query q(*this, kSubtree);
        q.Blob(1, lo).Blob(2, hi);
        while (q.Step()) {
            auto parent = index.find(q.Col(1));
            if (parent == index.end()) throw DbError{SQLITE_CORRUPT};
            index.emplace(q.Col(0), keys.size());
            keys.push_back({q.Col(0), parent->second, q.ColU16(2)});
        }
    }
    std::vector<std::vector<ValueEntry>> values(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        Query q(*this, kValues);
        q.Int(1, keys[i].srcId);
        while (q.Step()) {
            auto p = static_cast<const uint8_t*>(q.ColBlob(2));
            values[i].push_back({q.ColU16(0), static_cast<DWORD>(q.Col(1)), {p, p + q.ColBytes(2)}});
        }
    }
    std::vector<KeyId> ids(keys.size());
    std::vector<std::string> paths(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i == 0) {
            ids[0] = dst;
            paths[0] = dstPath;
        } else {
            paths[i] = paths[keys[i].parent];
            AppendToPath(paths[i], keys[i].name);
            if (!WithinKeyLimits(PathDepth(paths[i]), paths[i].size() / 2 - 2))
                return ERROR_FILENAME_EXCED_RANGE;  // nothing of the copy stays
            Query find(*this, kFindKey);
            if (find.Blob(1, paths[i]).Step()) {
                ids[i] = find.Col(0);
            } else {
                ids[i] = InsertKey(ids[keys[i].parent], keys[i].name, paths[i]);
            }
        }
        for (const ValueEntry& v : values[i]) {
            UpsertValue(ids[i], v.name, v.type, v.data.data(), v.data.size());
        }
    }
    txn.Commit();
    return ERROR_SUCCESS;
}

void Store::ReplaceRoot(int root, const SavedTree& tree) {
    WriteTxn txn(*this);
    KeyId rootId = RootId(root);
    std::string rootPath = RootPath(root);
    DeleteSubtree(rootId, rootPath);
    std::vector<KeyId> ids(tree.keys.size());
    std::vector<std::string> paths(tree.keys.size());
    for (size_t i = 0; i < tree.keys.size(); ++i) {
        const SavedKey& k = tree.keys[i];
        if (i == 0) {
            ids[0] = rootId;
            paths[0] = rootPath;
        } else {
            paths[i] = paths[k.parent];
            AppendToPath(paths[i], k.name);
            ids[i] = InsertKey(ids[k.parent], k.name, paths[i]);
        }
        for (const SavedValue& v : k.values) {
            UpsertValue(ids[i], v.name, v.type, v.data.data(), v.data.size());
        }
    }
    txn.Commit();
}

void Store::Flush() {
    // synchronous=NORMAL syncs the WAL before a checkpoint and the database
    // after it: a FULL checkpoint (which waits out readers and writers)
    // leaves every commit so far on disk.
    // A connection in a transaction cannot checkpoint.
    EndRead();
    int log = 0, done = 0;
    int rc = sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_FULL, &log, &done);
    Check(rc);
}

}  // namespace ce::reg
