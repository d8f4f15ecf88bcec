// The rules of the path histories the dialogs keep in the settings: a combo box's drop-down
// list of recent texts (FillComboHistory when a dialog opens, StoreComboHistory when it is
// confirmed; the Qt side is ui/qt/HistoryComboBox) and the file dialogs' list of recent names.
//
// A history is a multi-string value: the entries one after another, each ending in a zero
// byte, the list ending with an empty entry. The first entry is the most recent; there are at
// most 16 entries, none empty, and none equal (byte for byte) to the first one again.
//
// Key selection text: "#" is the application's default key, "#" followed by a name that subkey
// of the default key, any other text a key path below the user's root.
//
// Failures: reading answers nothing when the key or value is missing; writing answers 0. No
// function reports anything to the user.
//
// Thread contract: any thread (each call uses its own RegistryKey).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wirbelix {

class RegistryKey;

inline constexpr std::size_t kMaxHistoryEntries = 16;
// Entries are added to a list cut to this many bytes.
inline constexpr std::size_t kHistoryEntryBytes = 255;
// The current text taken from a history has room for this many bytes with its zero.
inline constexpr std::size_t kHistoryTextBytes = 2048;
// The file dialogs read back up to this many recent names.
inline constexpr std::size_t kFileHistoryReadEntries = 32;

// The key selection text of the application's default key.
inline constexpr char kDefaultHistoryKey[] = "#";

// Opens the key the selection text names, in the given RegistryKey mode. In read mode a
// missing key or subkey is not created.
bool OpenHistoryKey(RegistryKey& key, std::string_view keyPath, int mode);

// The entries of a multi-string value of size bytes, up to its first empty entry or its end.
std::vector<std::string> SplitMultiString(const std::uint8_t* data, std::size_t size);
// The list as a multi-string value, ending with the empty entry.
std::string JoinMultiString(const std::vector<std::string>& entries);

// At most maxBytes of text, never ending in half a UTF-8 character.
std::string CutText(std::string_view text, std::size_t maxBytes);

// The entries of the named history; nothing when the key cannot be opened or the value cannot
// be read.
std::optional<std::vector<std::string>> ReadHistory(std::string_view keyPath, const char* valueName);
// Writes the list as the named history; answers the number of entries, or 0 when the key could
// not be opened or created or the write failed.
int WriteHistory(std::string_view keyPath, const char* valueName, const std::vector<std::string>& entries);

// The text a combo box stores: its own text, or, when that is empty and an item is selected
// (selected >= 0), that item's text.
std::string HistoryCurrentText(const std::string& text, const std::vector<std::string>& items, int selected);
// The history to store: current first, then every item in list order that is neither empty nor
// equal to current, up to maxEntries in all. An empty current gives an empty list (nothing is
// stored then).
std::vector<std::string> BuildHistory(const std::string& current, const std::vector<std::string>& items,
                                      std::size_t maxEntries = kMaxHistoryEntries);

// ---- The file dialogs' recent names --------------------------------------------------------

// The value name of a default extension: "OfnList" and the extension (without "*." or ".")
// with its first letter in upper case and the rest in lower case: "*.png" gives "OfnListPng".
std::string FileHistoryValueName(std::string_view defaultExtension);
// Up to 32 recent names, most recent first, from the application's default key.
std::vector<std::string> ReadFileHistory(std::string_view defaultExtension);
// Puts path first in the list (dropping its earlier place) and writes at most 16 entries.
// An empty path changes nothing. Answers the number written, or 0.
int RememberFileName(std::string_view defaultExtension, const std::string& path);

}  // namespace wirbelix
