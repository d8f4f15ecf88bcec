// RegistryKey: the only access to the program's persistent settings. A caller makes one on the
// stack, opens the application's key (or another key), optionally descends into subkeys, reads
// and writes typed values and closes it (destruction closes it too).
//
// Every operation returns a success flag; on failure LastError says why: 0, a system error
// code (kErrorFileNotFound, kErrorAccessDenied, kErrorMoreData, ...) or one of the REG_ERROR_
// codes below. Reads repair the termination of text values so that callers always get
// zero-terminated text, whatever was stored. No operation reports anything to the user;
// callers preset their defaults and ignore failures.
//
// Thread contract: an object belongs to the thread that made it; different objects may be used
// on different threads at once (the store is thread safe).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "shell/SettingsStore.h"

namespace wirbelix {

// Open modes: the low six bits of the flags given to Open.
inline constexpr int REG_MODE_READ = 0;    // reading only; writes fail
inline constexpr int REG_MODE_WRITE = 1;   // reading and writing of existing keys
inline constexpr int REG_MODE_CREATE = 2;  // as 1, and keys that cannot be opened are created

// Access rights.
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr std::uint32_t KEY_WOW64_64KEY = 0x100;

// Error codes of RegistryKey itself.
inline constexpr int REG_ERROR_NOT_OPEN = 22549;     // no key is open
inline constexpr int REG_ERROR_TOO_DEEP = 22550;     // the key stack is full (level 11)
inline constexpr int REG_ERROR_UNAVAILABLE = 22551;  // the key cannot be opened or written
inline constexpr int REG_ERROR_NO_DATA = 22552;      // a write without data

// Names of the program's settings keys.
inline constexpr const char* kCompanyKey = "Kivo";
inline constexpr const char* kApplicationName = "Wirbelix";

class RegistryKey {
public:
    static constexpr int kMaxLevels = 12;
    static constexpr int kMaxValueName = 256;

    RegistryKey();
    ~RegistryKey();  // closes every open level
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Closes whatever is open, then opens (in REG_MODE_CREATE creates) the key at path below
    // root as level 0. root HKEY_NONE takes the root from a "HKEY_..." prefix of path; a null
    // path means the application's default key (for the user, machine and config roots).
    // flags: mode in bits 0 to 5, extra access rights in bits 6 to 30.
    bool Open(KeyHandle root, const char* path, std::uint32_t flags);

    // Opens the named subkey of the current key as the next level; in REG_MODE_CREATE, unless
    // noCreate is set, a subkey that cannot be opened is created.
    bool OpenSubKey(const char* name, bool noCreate = false);

    // Creates or opens the named subkey as the next level; only in REG_MODE_CREATE.
    bool CreateSubKey(const char* name);

    // Reads value name (null: the key's default value) into buffer (size bytes) and repairs the
    // termination for the requested type (REG_SZ/REG_EXPAND_SZ: one zero byte, REG_MULTI_SZ:
    // two). Values of another type are read as raw bytes.
    bool Read(void* buffer, std::uint32_t size, const char* name, std::uint32_t type);

    // Reads the value into a new buffer of its size plus 4 bytes, terminated as by Read.
    // out is reset first; the result is true once a buffer was handed out.
    bool ReadAlloc(std::unique_ptr<std::uint8_t[]>* out, const char* name, std::uint32_t type);

    // Reads a REG_SZ value into text (up to its first zero byte). On failure text is unchanged.
    bool ReadString(std::string* text, const char* name);

    // Reads a text value of at most 63 characters and converts it with atof. On failure out is
    // unchanged.
    bool ReadDouble(double* out, const char* name);

    // Writes size bytes of data as value name (null: the default value) of the given type.
    bool Write(const void* data, std::uint32_t size, const char* name, std::uint32_t type);

    // Writes the text as REG_SZ without a terminating zero byte.
    bool WriteString(const std::string& text, const char* name);

    // Writes the number with "%g" as REG_SZ text without a terminating zero byte.
    bool WriteDouble(double value, const char* name);

    // Writes a list of zero-terminated texts ended by an empty text as REG_MULTI_SZ.
    bool WriteMultiString(const char* list, const char* name);

    // Closes all levels from the top down. Closing a closed object succeeds.
    bool Close();

    // Writes "Software\Kivo\Wirbelix" into buffer, cut to fit size bytes with its zero.
    static void DefaultKeyPath(char* buffer, std::size_t size);

    // ---- State (read-only for callers) ----------------------------------------------------
    KeyHandle currentKey = HKEY_NONE;
    KeyHandle rootKey = HKEY_NONE;
    char valueName[260];
    std::uint32_t valueType = 0;
    std::uint32_t dataSize = 0;
    std::int32_t valueNameLength = 0;
    KeyHandle keyStack[kMaxLevels] = {};
    std::unique_ptr<char[]> keyNames[kMaxLevels];
    std::int32_t level = -1;
    std::int32_t mode = 0;
    std::uint32_t accessMask = 0;
    std::int32_t LastError = 0;

private:
    bool CheckLevel();          // NOT_OPEN / TOO_DEEP
    void SetValueName(const char* name);
    void Push(KeyHandle key, const char* name);
};

}  // namespace wirbelix
