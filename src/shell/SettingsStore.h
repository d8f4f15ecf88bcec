// The persistent store behind RegistryKey: a tree of keys, each holding named values that keep
// their type and their raw bytes exactly as written (a string written without a terminating
// zero is read back without one). Key names and value names compare without regard to letter
// case. The empty value name addresses a key's default value.
//
// Backing: one SQLite database per user, at $WIRBELIX_SETTINGS when set, else
// $XDG_CONFIG_HOME/Kivo/Wirbelix/settings.sqlite (XDG_CONFIG_HOME defaults to ~/.config).
// The database runs in WAL mode with full synchronisation, so a write is on disk when it
// returns and a process killed at any moment leaves the file readable with every value written
// before; a second process waits for a busy database instead of failing.
//
// A file that is not a readable database (garbage, truncated, damaged) is renamed to
// "<file>.damaged-<YYYYMMDD-HHMMSS>" and a new, empty store takes its place, so the user's
// program keeps its defaults and can store settings again while the old file stays for
// inspection. A file that cannot be opened at all (a directory, no permission) is left alone:
// every operation then fails and callers keep their defaults. A file without any write
// permission is opened read-only, also by root: reads work and every write is refused.
//
// Results are the system error codes of the registry interface: 0 success,
// kErrorFileNotFound for a missing key or value, kErrorAccessDenied when the file is
// read-only, kErrorMoreData when a buffer is too small, kErrorBadDb when the store is unusable.
//
// Thread safe: one connection per process, guarded by a mutex (the remote-control thread reads
// the port names while the window thread may write settings).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace wirbelix {

// Key handles. The predefined roots have the platform's fixed values; every other handle is a
// key's row in the store.
using KeyHandle = std::int64_t;
inline constexpr KeyHandle HKEY_NONE = 0;
inline constexpr KeyHandle HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr KeyHandle HKEY_CURRENT_USER = 0x80000001;
inline constexpr KeyHandle HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr KeyHandle HKEY_USERS = 0x80000003;
inline constexpr KeyHandle HKEY_CURRENT_CONFIG = 0x80000005;
inline constexpr KeyHandle HKEY_DYN_DATA = 0x80000006;

// System error codes.
inline constexpr int kErrorSuccess = 0;
inline constexpr int kErrorFileNotFound = 2;    // ERROR_FILE_NOT_FOUND
inline constexpr int kErrorAccessDenied = 5;    // ERROR_ACCESS_DENIED
inline constexpr int kErrorMoreData = 234;      // ERROR_MORE_DATA
inline constexpr int kErrorBadDb = 1009;        // ERROR_BADDB
inline constexpr int kErrorIoFailed = 1016;     // ERROR_REGISTRY_IO_FAILED

// Value types.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;

// The path of the settings file for this user, from the environment (empty when neither
// WIRBELIX_SETTINGS, XDG_CONFIG_HOME nor HOME is set).
std::string SettingsFilePath();

namespace SettingsStore {

// Opens the key at path (components separated by backslashes; empty components are skipped;
// the empty path is parent itself) below parent. Reading (this and QueryValue) never creates the
// settings file: without one, every key and value is missing.
int OpenKey(KeyHandle parent, std::string_view path, KeyHandle* out);

// Opens the key at path below parent, creating every missing component.
int CreateKey(KeyHandle parent, std::string_view path, KeyHandle* out);

// Releases a handle. Handles hold no resources, so this succeeds for every handle.
int CloseKey(KeyHandle key);

// Reads value name of key. *size is the buffer's room on entry and the value's byte count on
// return (also when the room is too small, with kErrorMoreData; the buffer is then left as it
// was). data may be null to ask only for type and size. type may be null.
int QueryValue(KeyHandle key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
               std::uint32_t* size);

// Stores value name of key with the type and exactly the given bytes.
int SetValue(KeyHandle key, std::string_view name, std::uint32_t type,
             std::span<const std::uint8_t> bytes);

// Calls visit for every value in the store, ordered by key path and value name. Does not create
// the file. Returns false when the file does not exist or cannot be read.
struct ValueView {
    std::string keyPath;  // from its root, e.g. "HKEY_CURRENT_USER\Software\Kivo\Wirbelix"
    std::string name;
    std::uint32_t type;
    std::span<const std::uint8_t> bytes;
    bool keyOnly;  // a key without values: name, type and bytes are empty
};
bool ForEachValue(const std::function<void(const ValueView&)>& visit, int* keyCount = nullptr);

// Closes the connection; the next operation opens the file named by the environment again.
// For tests that switch files, and at program end.
void Shutdown();

}  // namespace SettingsStore

}  // namespace wirbelix
