#include "shell/SettingsStore.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <vector>

#include "platform/TextCompare.h"

namespace wirbelix {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  UNIQUE(parent, folded));"
    "CREATE TABLE IF NOT EXISTS vals("
    "  key INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  PRIMARY KEY(key, folded)) WITHOUT ROWID;";

// How long an operation waits for another process that holds the database.
constexpr int kBusyTimeoutMs = 10000;

const char* RootName(KeyHandle root) {
    switch (root) {
        case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
        case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
        case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
        case HKEY_USERS: return "HKEY_USERS";
        case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
        case HKEY_DYN_DATA: return "HKEY_DYN_DATA";
        default: return nullptr;
    }
}

bool IsDamaged(int rc) {
    rc &= 0xFF;
    return rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT;
}

// mkdir -p for the folder that holds path.
void MakeParentDirs(const std::string& path) {
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (path[i] != '/') continue;
        std::string dir = path.substr(0, i);
        if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
}

class Connection {
public:
    ~Connection() { Close(); }

    // Makes sure the database named by the environment is open: 0, kErrorFileNotFound when
    // there is no file yet and mayCreate is false (reading never creates the file), or
    // kErrorBadDb when it is unusable.
    int Ensure(bool mayCreate) {
        std::string path = SettingsFilePath();
        if (db_ && path == path_) return kErrorSuccess;
        Close();
        path_ = path;
        if (path_.empty()) return kErrorBadDb;
        if (!mayCreate && access(path_.c_str(), F_OK) != 0) {
            path_.clear();  // look again next time: another program may create it
            return kErrorFileNotFound;
        }
        return OpenFile(/*allowMoveAside=*/true) ? kErrorSuccess : kErrorBadDb;
    }

    void Close() {
        for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
        statements_.clear();
        if (db_) sqlite3_close_v2(db_);
        db_ = nullptr;
        readOnly_ = false;
    }

    // A prepared statement for sql, cached for the connection's lifetime.
    sqlite3_stmt* Statement(const char* sql) {
        auto it = statements_.find(sql);
        if (it != statements_.end()) {
            sqlite3_reset(it->second);
            sqlite3_clear_bindings(it->second);
            return it->second;
        }
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK)
            return nullptr;
        statements_.emplace(sql, stmt);
        return stmt;
    }

    bool readOnly() const { return readOnly_; }
    sqlite3* db() const { return db_; }

private:
    bool OpenFile(bool allowMoveAside) {
        struct stat st {};
        bool exists = stat(path_.c_str(), &st) == 0;
        if (exists && !S_ISREG(st.st_mode)) return false;  // a directory or device: leave it alone
        if (!exists) MakeParentDirs(path_);

        // A file without any write permission is one the user has made read-only on purpose:
        // it is opened read-only even when the system would let this process write (root).
        const bool markedReadOnly = exists && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
        int rc = SQLITE_CANTOPEN;
        if (!markedReadOnly) {
            rc = sqlite3_open_v2(path_.c_str(), &db_,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        }
        if (rc != SQLITE_OK) {
            sqlite3_close_v2(db_);
            db_ = nullptr;
            rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
            if (rc != SQLITE_OK) {
                sqlite3_close_v2(db_);
                db_ = nullptr;
                return false;
            }
            readOnly_ = true;
        }
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        sqlite3_extended_result_codes(db_, 1);

        rc = Prepare();
        if (rc == SQLITE_OK) return true;
        bool damaged = IsDamaged(rc);
        Close();
        if (damaged && allowMoveAside && MoveAside()) return OpenFile(/*allowMoveAside=*/false);
        return false;
    }

    // Checks the file and sets up the schema. Returns an SQLite result code.
    int Prepare() {
        int rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK && IsDamaged(rc)) return rc;
        sqlite3_exec(db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);

        // A cheap structural check: a truncated or overwritten file fails here rather than
        // somewhere in the middle of a later read.
        sqlite3_stmt* check = nullptr;
        rc = sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &check, nullptr);
        if (rc != SQLITE_OK) return rc;
        rc = sqlite3_step(check);
        bool ok = rc == SQLITE_ROW &&
                  std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) == "ok";
        sqlite3_finalize(check);
        if (!ok) return rc == SQLITE_ROW ? SQLITE_CORRUPT : rc;

        if (!readOnly_) {
            rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK) return rc;
        }
        return SQLITE_OK;
    }

    bool MoveAside() {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
        std::string target = path_ + ".damaged-" + stamp;
        for (int n = 2; access(target.c_str(), F_OK) == 0; ++n)
            target = path_ + ".damaged-" + stamp + "-" + std::to_string(n);
        if (std::rename(path_.c_str(), target.c_str()) != 0) return false;
        // The journal files belong to the damaged database; keep them beside it.
        for (const char* suffix : {"-wal", "-shm", "-journal"}) {
            std::string from = path_ + suffix;
            if (access(from.c_str(), F_OK) == 0) std::rename(from.c_str(), (target + suffix).c_str());
        }
        return true;
    }

    std::string path_;
    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    std::map<const char*, sqlite3_stmt*> statements_;
};

std::mutex g_mutex;
Connection g_connection;

// Maps a failed SQLite step to the store's error codes.
int ErrorFor(int rc) {
    int primary = rc & 0xFF;
    if (primary == SQLITE_READONLY || primary == SQLITE_PERM || primary == SQLITE_AUTH)
        return kErrorAccessDenied;
    if (IsDamaged(rc)) return kErrorBadDb;
    return kErrorIoFailed;
}

int Child(std::int64_t parent, std::string_view name, bool create, std::int64_t* out) {
    std::string folded = FoldedCopy(name);
    sqlite3_stmt* find = g_connection.Statement("SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
    if (!find) return kErrorBadDb;
    sqlite3_bind_int64(find, 1, parent);
    sqlite3_bind_text(find, 2, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(find);
    if (rc == SQLITE_ROW) {
        *out = sqlite3_column_int64(find, 0);
        sqlite3_reset(find);
        return kErrorSuccess;
    }
    sqlite3_reset(find);
    if (rc != SQLITE_DONE) return ErrorFor(rc);
    if (!create) return kErrorFileNotFound;
    if (g_connection.readOnly()) return kErrorAccessDenied;
    // A second process may create the same key at the same moment: the upsert then returns
    // the row the other one made.
    sqlite3_stmt* insert = g_connection.Statement(
        "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3) "
        "ON CONFLICT(parent, folded) DO UPDATE SET name = name RETURNING id");
    if (!insert) return kErrorBadDb;
    sqlite3_bind_int64(insert, 1, parent);
    sqlite3_bind_text(insert, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
    rc = sqlite3_step(insert);
    if (rc == SQLITE_ROW) *out = sqlite3_column_int64(insert, 0);
    sqlite3_reset(insert);
    return rc == SQLITE_ROW ? kErrorSuccess : ErrorFor(rc);
}

// The row of a predefined root: a key without parent named after the root, made on first use.
int RootRow(KeyHandle root, bool create, std::int64_t* out) {
    const char* name = RootName(root);
    if (!name) return kErrorFileNotFound;
    return Child(0, name, create, out);
}

// The row of a handle: a root's row, or the handle itself.
int HandleRow(KeyHandle key, bool create, std::int64_t* out) {
    if (RootName(key)) return RootRow(key, create, out);
    if (key <= 0) return kErrorFileNotFound;
    *out = key;
    return kErrorSuccess;
}

int Walk(KeyHandle parent, std::string_view path, bool create, KeyHandle* out) {
    std::lock_guard lock(g_mutex);
    if (int err = g_connection.Ensure(create)) return err;
    std::int64_t row = 0;
    int err = HandleRow(parent, create, &row);
    if (err != kErrorSuccess) return err;
    bool walked = false;
    while (!path.empty()) {
        std::size_t cut = path.find('\\');
        std::string_view part = path.substr(0, cut);
        path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
        if (part.empty()) continue;
        err = Child(row, part, create, &row);
        if (err != kErrorSuccess) return err;
        walked = true;
    }
    // The empty path opens the root itself; its handle stays the predefined value.
    *out = walked ? row : parent;
    return kErrorSuccess;
}

}  // namespace

std::string SettingsFilePath() {
    if (const char* explicitPath = std::getenv("WIRBELIX_SETTINGS"); explicitPath && *explicitPath)
        return explicitPath;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        config = std::string(home) + "/.config";
    } else {
        return {};
    }
    return config + "/Kivo/Wirbelix/settings.sqlite";
}

namespace SettingsStore {

int OpenKey(KeyHandle parent, std::string_view path, KeyHandle* out) {
    return Walk(parent, path, /*create=*/false, out);
}

int CreateKey(KeyHandle parent, std::string_view path, KeyHandle* out) {
    return Walk(parent, path, /*create=*/true, out);
}

int CloseKey(KeyHandle) { return kErrorSuccess; }

int QueryValue(KeyHandle key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
               std::uint32_t* size) {
    std::lock_guard lock(g_mutex);
    if (int err = g_connection.Ensure(/*mayCreate=*/false)) return err;
    std::int64_t row = 0;
    int err = HandleRow(key, /*create=*/false, &row);
    if (err != kErrorSuccess) return err;
    sqlite3_stmt* find = g_connection.Statement("SELECT type, data FROM vals WHERE key = ?1 AND folded = ?2");
    if (!find) return kErrorBadDb;
    std::string folded = FoldedCopy(name);
    sqlite3_bind_int64(find, 1, row);
    sqlite3_bind_text(find, 2, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(find);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(find);
        return rc == SQLITE_DONE ? kErrorFileNotFound : ErrorFor(rc);
    }
    auto stored = static_cast<std::uint32_t>(sqlite3_column_int64(find, 0));
    const void* blob = sqlite3_column_blob(find, 1);
    auto n = static_cast<std::uint32_t>(sqlite3_column_bytes(find, 1));
    if (type) *type = stored;
    int result = kErrorSuccess;
    if (data) {
        if (!size || n > *size) result = kErrorMoreData;
        else if (n) std::memcpy(data, blob, n);
    }
    if (size) *size = n;
    sqlite3_reset(find);
    return result;
}

int SetValue(KeyHandle key, std::string_view name, std::uint32_t type,
             std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(g_mutex);
    if (int err = g_connection.Ensure(/*mayCreate=*/true)) return err;
    if (g_connection.readOnly()) return kErrorAccessDenied;
    std::int64_t row = 0;
    int err = HandleRow(key, /*create=*/true, &row);
    if (err != kErrorSuccess) return err;
    sqlite3_stmt* put = g_connection.Statement(
        "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
        "ON CONFLICT(key, folded) DO UPDATE SET name = excluded.name, type = excluded.type, "
        "data = excluded.data");
    if (!put) return kErrorBadDb;
    std::string folded = FoldedCopy(name);
    sqlite3_bind_int64(put, 1, row);
    sqlite3_bind_text(put, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(put, 3, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(put, 4, type);
    // A zero-length blob must still be a blob, not NULL: bind from a valid address.
    static const std::uint8_t kEmpty = 0;
    sqlite3_bind_blob(put, 5, bytes.empty() ? &kEmpty : bytes.data(), static_cast<int>(bytes.size()),
                      SQLITE_TRANSIENT);
    int rc = sqlite3_step(put);
    sqlite3_reset(put);
    return rc == SQLITE_DONE ? kErrorSuccess : ErrorFor(rc);
}

bool ForEachValue(const std::function<void(const ValueView&)>& visit, int* keyCount) {
    std::lock_guard lock(g_mutex);
    std::string path = SettingsFilePath();
    if (keyCount) *keyCount = 0;
    if (path.empty() || access(path.c_str(), F_OK) != 0) return false;
    if (g_connection.Ensure(/*mayCreate=*/false) != kErrorSuccess) return false;

    struct KeyRow {
        std::int64_t parent;
        std::string name;
    };
    std::map<std::int64_t, KeyRow> keys;
    sqlite3_stmt* all = g_connection.Statement("SELECT id, parent, name FROM keys");
    if (!all) return false;
    while (sqlite3_step(all) == SQLITE_ROW)
        keys[sqlite3_column_int64(all, 0)] = {sqlite3_column_int64(all, 1),
                                             reinterpret_cast<const char*>(sqlite3_column_text(all, 2))};
    sqlite3_reset(all);

    // Full paths, guarded against a cycle in a hand-edited file.
    std::map<std::string, std::int64_t> byPath;
    for (const auto& [id, row] : keys) {
        std::string full = row.name;
        std::int64_t up = row.parent;
        for (int depth = 0; up != 0 && depth < 64; ++depth) {
            auto it = keys.find(up);
            if (it == keys.end()) break;
            full = it->second.name + "\\" + full;
            up = it->second.parent;
        }
        byPath[full] = id;
    }
    if (keyCount) *keyCount = static_cast<int>(byPath.size());

    sqlite3_stmt* values = g_connection.Statement("SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY folded");
    if (!values) return false;
    for (const auto& [full, id] : byPath) {
        sqlite3_reset(values);
        sqlite3_bind_int64(values, 1, id);
        bool any = false;
        while (sqlite3_step(values) == SQLITE_ROW) {
            any = true;
            const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(values, 2));
            auto n = static_cast<std::size_t>(sqlite3_column_bytes(values, 2));
            visit({full, reinterpret_cast<const char*>(sqlite3_column_text(values, 0)),
                   static_cast<std::uint32_t>(sqlite3_column_int64(values, 1)),
                   std::span<const std::uint8_t>(blob, blob ? n : 0), false});
        }
        if (!any) visit({full, {}, REG_NONE, {}, true});  // a key without values is listed too
    }
    sqlite3_reset(values);
    return true;
}

void Shutdown() {
    std::lock_guard lock(g_mutex);
    g_connection.Close();
}

}  // namespace SettingsStore

}  // namespace wirbelix
