#include "shell/SettingsListing.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/LittleEndian.h"
#include "shell/SettingsStore.h"

namespace wirbelix {

namespace {

const char* TypeName(std::uint32_t type) {
    switch (type) {
        case REG_NONE: return "REG_NONE";
        case REG_SZ: return "REG_SZ";
        case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
        case REG_BINARY: return "REG_BINARY";
        case REG_DWORD: return "REG_DWORD";
        case REG_MULTI_SZ: return "REG_MULTI_SZ";
        default: return nullptr;
    }
}

// A text in double quotes; quotes, backslashes and control bytes escaped, UTF-8 kept.
std::string Quoted(std::span<const std::uint8_t> bytes) {
    std::string out = "\"";
    for (std::uint8_t b : bytes) {
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b < 0x20 || b == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", b);
            out += esc;
        } else {
            out += static_cast<char>(b);
        }
    }
    return out + "\"";
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char h[4];
        std::snprintf(h, sizeof h, "%s%02X", i ? " " : "", bytes[i]);
        out += h;
    }
    return out;
}

std::string ValueText(std::uint32_t type, std::span<const std::uint8_t> bytes) {
    if (type == REG_DWORD && bytes.size() == 4) {
        const std::uint32_t u = Load32(bytes.data());
        char text[48];
        std::snprintf(text, sizeof text, "%d (0x%08X)", static_cast<std::int32_t>(u), u);
        return text;
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // Stored texts carry no terminator; one that does is shown without it.
        std::size_t n = bytes.size();
        while (n > 0 && bytes[n - 1] == 0) --n;
        return Quoted(bytes.first(n));
    }
    if (type == REG_MULTI_SZ) {
        std::string out;
        std::size_t start = 0;
        int items = 0;
        for (std::size_t i = 0; i <= bytes.size(); ++i) {
            if (i == bytes.size() || bytes[i] == 0) {
                if (i == start) break;  // the empty text that ends the list
                out += (items++ ? ", " : "") + Quoted(bytes.subspan(start, i - start));
                start = i + 1;
            }
        }
        return items ? out : "(leer)";
    }
    return bytes.empty() ? "(leer)" : Hex(bytes);
}

}  // namespace

int PrintSettings(std::FILE* out) {
    std::string path = SettingsFilePath();
    std::string currentKey;
    int keys = 0;
    bool any = SettingsStore::ForEachValue(
        [&](const SettingsStore::ValueView& v) {
            if (v.keyPath != currentKey) {
                currentKey = v.keyPath;
                std::fprintf(out, "\n[%s]\n", currentKey.c_str());
            }
            if (v.keyOnly) return;
            const char* type = TypeName(v.type);
            std::string typeText = type ? type : "type " + std::to_string(v.type);
            std::fprintf(out, "  %s = %s %s  (%zu Bytes)\n", v.name.empty() ? "(Standard)" : v.name.c_str(),
                         typeText.c_str(), ValueText(v.type, v.bytes).c_str(), v.bytes.size());
        },
        &keys);
    if (!any) {
        std::fprintf(out, "Keine Einstellungen gespeichert (%s).\n", path.empty() ? "kein Pfad" : path.c_str());
        return 0;
    }
    if (keys == 0) std::fprintf(out, "Einstellungsdatei %s ist leer.\n", path.c_str());
    else std::fprintf(out, "\nEinstellungsdatei: %s\n", path.c_str());
    return 0;
}

int RunSettingsCommand(int, char**) { return PrintSettings(stdout); }

}  // namespace wirbelix
