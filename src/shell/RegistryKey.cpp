#include "shell/RegistryKey.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/TextCompare.h"

namespace wirbelix {

namespace {

std::unique_ptr<char[]> CopyText(std::string_view text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = 0;
    return copy;
}

struct RootPrefix {
    const char* name;
    KeyHandle root;
};

constexpr RootPrefix kRootPrefixes[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKEY_USERS", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {"HKEY_DYN_DATA", HKEY_DYN_DATA},
};

}  // namespace

RegistryKey::RegistryKey() { valueName[0] = 0; }

RegistryKey::~RegistryKey() { Close(); }

void RegistryKey::DefaultKeyPath(char* buffer, std::size_t size) {
    if (!buffer || size == 0) return;
    std::string path = "Software";
    for (const char* part : {kCompanyKey, kApplicationName}) {
        if (part && *part) {
            path += '\\';
            path += part;
        }
    }
    std::size_t n = path.size() < size ? path.size() : size - 1;
    std::memcpy(buffer, path.data(), n);
    buffer[n] = 0;
}

bool RegistryKey::CheckLevel() {
    if (level == -1) {
        LastError = REG_ERROR_NOT_OPEN;
        return false;
    }
    if (level >= kMaxLevels - 1) {
        LastError = REG_ERROR_TOO_DEEP;
        return false;
    }
    return true;
}

void RegistryKey::SetValueName(const char* name) {
    std::size_t n = name ? std::strlen(name) : 0;
    if (n > kMaxValueName) n = kMaxValueName;
    if (n) std::memcpy(valueName, name, n);
    valueName[n] = 0;
    valueNameLength = static_cast<std::int32_t>(n);
}

void RegistryKey::Push(KeyHandle key, const char* name) {
    ++level;
    keyStack[level] = key;
    keyNames[level] = CopyText(name ? name : "");
    currentKey = key;
}

bool RegistryKey::Open(KeyHandle root, const char* pathArg, std::uint32_t flags) {
    if (level != -1) Close();
    mode = static_cast<std::int32_t>(flags & 0x3F);
    accessMask = (flags & 0x7FFFFFC0u) | (mode != REG_MODE_READ ? KEY_ALL_ACCESS : KEY_READ);

    std::string path;
    bool hasPath = pathArg != nullptr;
    if (hasPath) path = pathArg;
    if ((flags & 0xFFFFFFC0u) == 0 && root == HKEY_LOCAL_MACHINE) {
        accessMask |= KEY_WOW64_64KEY;
    } else if (root == HKEY_NONE) {
        root = HKEY_CURRENT_USER;
        for (const RootPrefix& p : kRootPrefixes) {
            std::size_t len = std::strlen(p.name);
            if (StartsWithNoCase(path, p.name) && (path.size() == len || path[len] == '\\')) {
                root = p.root;
                path.erase(0, path.size() == len ? len : len + 1);
                break;
            }
        }
    }
    if (!hasPath) {
        if (root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE || root == HKEY_CURRENT_CONFIG) {
            char buffer[1024];
            DefaultKeyPath(buffer, sizeof buffer);
            path = buffer;
        }
    }

    // The store keeps no access rights: opening fails only when the key is missing or the
    // store is unusable, so the 64-bit-view retry of the machine root never applies here.
    KeyHandle key = HKEY_NONE;
    int rc = SettingsStore::OpenKey(root, path, &key);
    if (rc == kErrorSuccess) {
        rootKey = root;
        Push(key, path.c_str());
        LastError = 0;
        return true;
    }
    if (mode != REG_MODE_CREATE) {
        LastError = REG_ERROR_UNAVAILABLE;
        return false;
    }
    mode = REG_MODE_CREATE;
    accessMask = (flags & 0x7FF0FFC0u) | KEY_ALL_ACCESS;
    if (root == HKEY_LOCAL_MACHINE) accessMask |= KEY_WOW64_64KEY;
    rc = SettingsStore::CreateKey(root, path, &key);
    if (rc != kErrorSuccess) {
        LastError = rc;
        return false;
    }
    rootKey = root;
    Push(key, path.c_str());
    LastError = 0;
    return true;
}

bool RegistryKey::OpenSubKey(const char* name, bool noCreate) {
    if (!CheckLevel()) return false;
    KeyHandle key = HKEY_NONE;
    int rc = SettingsStore::OpenKey(currentKey, name ? name : "", &key);
    if (rc == kErrorSuccess) {
        Push(key, name);
        LastError = 0;
        return true;
    }
    if (mode == REG_MODE_CREATE && !noCreate) return CreateSubKey(name);
    LastError = rc == kErrorAccessDenied ? kErrorAccessDenied : REG_ERROR_UNAVAILABLE;
    return false;
}

bool RegistryKey::CreateSubKey(const char* name) {
    if (!CheckLevel()) return false;
    if (mode != REG_MODE_CREATE) {
        LastError = REG_ERROR_UNAVAILABLE;
        return false;
    }
    KeyHandle key = HKEY_NONE;
    int rc = SettingsStore::CreateKey(currentKey, name ? name : "", &key);
    if (rc != kErrorSuccess) {
        LastError = rc;
        return false;
    }
    Push(key, name);
    LastError = 0;
    return true;
}

bool RegistryKey::Read(void* buffer, std::uint32_t size, const char* name, std::uint32_t type) {
    if (!CheckLevel()) return false;
    SetValueName(name);
    auto* buf = static_cast<std::uint8_t*>(buffer);
    if (!buf) size = 0;
    valueType = type;
    dataSize = size;
    std::uint32_t n = size;
    std::uint32_t storedType = 0;
    int rc = SettingsStore::QueryValue(currentKey, valueName, &storedType, size ? buf : nullptr, &n);
    if (!buf && rc == kErrorSuccess && n > 0) rc = kErrorMoreData;  // no room for any byte
    LastError = rc;
    bool ok = rc == kErrorSuccess;
    const std::uint32_t s = size;
    if (ok) valueType = storedType;

    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        if (!ok) {
            if (s >= 1) {
                buf[0] = 0;
                dataSize = 1;
            } else {
                dataSize = 0;
            }
            return false;
        }
        if (s == 0) {
            dataSize = 0;
            LastError = kErrorMoreData;
            return false;
        }
        if (n == 0) {
            buf[0] = 0;
            dataSize = 1;
            return true;
        }
        if (buf[n - 1] == 0) {
            dataSize = n;
            return true;
        }
        if (n + 1 <= s) {
            buf[n] = 0;
            dataSize = n + 1;
            return true;
        }
        buf[0] = 0;
        dataSize = 0;
        LastError = kErrorMoreData;
        return false;
    }

    if (type == REG_MULTI_SZ) {
        if (!ok) {
            if (s >= 2) {
                buf[0] = buf[1] = 0;
                dataSize = 2;
            } else {
                dataSize = 0;
            }
            return false;
        }
        if (s == 0) {
            dataSize = 0;
            LastError = kErrorMoreData;
            return false;
        }
        if (n == 0) {
            if (s >= 2) {
                buf[0] = buf[1] = 0;
                dataSize = 2;
            } else {
                dataSize = 0;
            }
            return true;
        }
        if (n == 1 && s == 1) {
            buf[0] = 0;
            dataSize = 0;
            LastError = kErrorMoreData;
            return false;
        }
        const bool lastZero = buf[n - 1] == 0;
        if (lastZero && n >= 2 && buf[n - 2] == 0) {
            dataSize = n;
            return true;
        }
        if (lastZero && n + 1 <= s) {
            buf[n] = 0;
            dataSize = n + 1;
            return true;
        }
        if (!lastZero && n + 2 <= s) {
            buf[n] = buf[n + 1] = 0;
            dataSize = n + 2;
            return true;
        }
        buf[0] = 0;
        if (s >= 2) buf[1] = 0;
        dataSize = 0;
        LastError = kErrorMoreData;
        return false;
    }

    dataSize = ok ? n : 0;
    return ok;
}

bool RegistryKey::ReadAlloc(std::unique_ptr<std::uint8_t[]>* out, const char* name,
                            std::uint32_t type) {
    if (!out) return false;
    out->reset();
    if (!CheckLevel()) return false;
    SetValueName(name);
    valueType = type;
    std::uint32_t n = 0;
    std::uint32_t storedType = 0;
    int rc = SettingsStore::QueryValue(currentKey, valueName, &storedType, nullptr, &n);
    if (rc != kErrorSuccess && rc != kErrorMoreData) {
        LastError = rc;
        dataSize = 0;
        return false;
    }
    // Zero-filled, so that a value that shrank between the two queries still reads as text.
    const std::uint32_t room = n + 4;
    auto buffer = std::make_unique<std::uint8_t[]>(room);
    std::uint32_t got = room;
    rc = SettingsStore::QueryValue(currentKey, valueName, &storedType, buffer.get(), &got);
    LastError = rc;
    if (rc == kErrorSuccess) valueType = storedType;
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
    if (rc != kErrorSuccess || got == 0) {
        std::memset(buffer.get(), 0, 4);
        dataSize = text ? 1 : (type == REG_MULTI_SZ ? 2 : 0);
    } else {
        dataSize = n;
        if (text && n > 0 && buffer[n - 1] != 0) {
            buffer[n] = 0;
            dataSize = n + 1;
        } else if (type == REG_MULTI_SZ && n > 0) {
            if (buffer[n - 1] != 0) {
                buffer[n] = buffer[n + 1] = 0;
                dataSize = n + 2;
            } else if (n >= 2 && buffer[n - 2] != 0) {
                buffer[n] = 0;
                dataSize = n + 1;
            }
        }
    }
    *out = std::move(buffer);
    return true;
}

bool RegistryKey::ReadString(std::string* text, const char* name) {
    std::unique_ptr<std::uint8_t[]> buffer;
    bool ok = ReadAlloc(&buffer, name, REG_SZ);
    if (buffer && text) {
        if (dataSize == 0) text->clear();
        else *text = reinterpret_cast<const char*>(buffer.get());
    }
    return ok;
}

bool RegistryKey::ReadDouble(double* out, const char* name) {
    char buffer[64] = {};
    if (!Read(buffer, sizeof buffer, name, REG_SZ)) return false;
    if (out) *out = std::atof(buffer);
    return true;
}

bool RegistryKey::Write(const void* data, std::uint32_t size, const char* name, std::uint32_t type) {
    if (!CheckLevel()) return false;
    if (mode == REG_MODE_READ) {
        LastError = REG_ERROR_UNAVAILABLE;
        return false;
    }
    if (!data) {
        LastError = REG_ERROR_NO_DATA;
        return false;
    }
    SetValueName(name);
    valueType = type;
    dataSize = size;
    LastError = SettingsStore::SetValue(
        currentKey, valueName, type,
        std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), size));
    return LastError == 0;
}

bool RegistryKey::WriteString(const std::string& text, const char* name) {
    return Write(text.data(), static_cast<std::uint32_t>(text.size()), name, REG_SZ);
}

bool RegistryKey::WriteDouble(double value, const char* name) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, "%g", value);
    if (n < 0) n = 0;
    if (n >= static_cast<int>(sizeof buffer)) n = sizeof buffer - 1;
    return Write(buffer, static_cast<std::uint32_t>(n), name, REG_SZ);
}

bool RegistryKey::WriteMultiString(const char* list, const char* name) {
    std::uint32_t size = 1;
    if (list) {
        for (const char* p = list; *p; p += std::strlen(p) + 1)
            size += static_cast<std::uint32_t>(std::strlen(p) + 1);
    }
    static const char kEmpty[1] = {0};
    return Write(list ? list : kEmpty, size, name, REG_MULTI_SZ);
}

bool RegistryKey::Close() {
    int failed = 0;
    while (level != -1) {
        int rc = SettingsStore::CloseKey(keyStack[level]);
        if (rc != 0) failed = rc;
        keyNames[level].reset();
        keyStack[level] = HKEY_NONE;
        --level;
        currentKey = level >= 0 ? keyStack[level] : HKEY_NONE;
    }
    currentKey = HKEY_NONE;
    rootKey = HKEY_NONE;
    LastError = failed;
    return failed == 0;
}

}  // namespace wirbelix
