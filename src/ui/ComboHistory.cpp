#include "ui/ComboHistory.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "shell/RegistryKey.h"

namespace wirbelix {

bool OpenHistoryKey(RegistryKey& key, std::string_view keyPath, int mode) {
    if (!keyPath.empty() && keyPath.front() == '#') {
        if (!key.Open(HKEY_CURRENT_USER, nullptr, static_cast<std::uint32_t>(mode))) return false;
        if (keyPath.size() == 1) return true;
        const std::string name(keyPath.substr(1));
        return key.OpenSubKey(name.c_str(), mode == REG_MODE_READ);
    }
    const std::string path(keyPath);
    return key.Open(HKEY_CURRENT_USER, path.c_str(), static_cast<std::uint32_t>(mode));
}

std::vector<std::string> SplitMultiString(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> entries;
    std::size_t i = 0;
    while (i < size && data[i] != 0) {
        std::size_t end = i;
        while (end < size && data[end] != 0) ++end;
        entries.emplace_back(reinterpret_cast<const char*>(data + i), end - i);
        i = end + 1;
    }
    return entries;
}

std::string JoinMultiString(const std::vector<std::string>& entries) {
    std::string list;
    for (const std::string& e : entries) {
        list += e;
        list += '\0';
    }
    list += '\0';
    return list;
}

std::string CutText(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t n = maxBytes;
    // Step back over continuation bytes to the start of the character that does not fit.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return std::string(text.substr(0, n));
}

std::optional<std::vector<std::string>> ReadHistory(std::string_view keyPath, const char* valueName) {
    RegistryKey key;
    if (!OpenHistoryKey(key, keyPath, REG_MODE_READ)) return std::nullopt;
    std::unique_ptr<std::uint8_t[]> data;
    if (!key.ReadAlloc(&data, valueName, REG_MULTI_SZ)) return std::nullopt;
    return SplitMultiString(data.get(), key.dataSize);
}

int WriteHistory(std::string_view keyPath, const char* valueName, const std::vector<std::string>& entries) {
    RegistryKey key;
    if (!OpenHistoryKey(key, keyPath, REG_MODE_CREATE)) return 0;
    const std::string list = JoinMultiString(entries);
    if (!key.WriteMultiString(list.c_str(), valueName)) return 0;
    return static_cast<int>(entries.size());
}

std::string HistoryCurrentText(const std::string& text, const std::vector<std::string>& items, int selected) {
    if (text.empty() && selected >= 0 && static_cast<std::size_t>(selected) < items.size())
        return items[static_cast<std::size_t>(selected)];
    return text;
}

std::vector<std::string> BuildHistory(const std::string& current, const std::vector<std::string>& items,
                                      std::size_t maxEntries) {
    std::vector<std::string> list;
    if (current.empty() || maxEntries == 0) return list;
    list.push_back(current);
    for (const std::string& item : items) {
        if (list.size() >= maxEntries) break;
        if (!item.empty() && item != current) list.push_back(item);
    }
    return list;
}

std::string FileHistoryValueName(std::string_view defaultExtension) {
    std::string_view ext = defaultExtension;
    if (ext.starts_with('*')) ext.remove_prefix(1);
    if (ext.starts_with('.')) ext.remove_prefix(1);
    std::string name = "OfnList";
    for (std::size_t i = 0; i < ext.size(); ++i) {
        const auto c = static_cast<unsigned char>(ext[i]);
        name += static_cast<char>(i == 0 ? std::toupper(c) : std::tolower(c));
    }
    return name;
}

std::vector<std::string> ReadFileHistory(std::string_view defaultExtension) {
    std::vector<std::string> names =
        ReadHistory(kDefaultHistoryKey, FileHistoryValueName(defaultExtension).c_str()).value_or(std::vector<std::string>{});
    if (names.size() > kFileHistoryReadEntries) names.resize(kFileHistoryReadEntries);
    return names;
}

int RememberFileName(std::string_view defaultExtension, const std::string& path) {
    if (path.empty()) return 0;
    const std::string valueName = FileHistoryValueName(defaultExtension);
    const std::vector<std::string> old =
        ReadHistory(kDefaultHistoryKey, valueName.c_str()).value_or(std::vector<std::string>{});
    return WriteHistory(kDefaultHistoryKey, valueName.c_str(), BuildHistory(path, old));
}

}  // namespace wirbelix
