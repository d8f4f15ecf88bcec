// The resources embedded in the program: the built-in sounds and pictures, looked up by type
// ("WAVE", "BITMAP", "ICON", ...) and by name or number, as the bytes of the file each was
// made from. A bitmap resource is a device-independent bitmap without its 14-byte file header:
// it starts with the 40-byte information header.
//
// The table is made at build time from the generators in resources/ and is read-only, so every
// function here may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace wirbelix {

namespace detail {
// One row of the generated table. name is null for a numbered resource; number is -1 for a
// named one.
struct ResourceEntry {
    const char* type;
    const char* name;
    int number;
    const unsigned char* begin;
    const unsigned char* end;
};
extern const ResourceEntry kResourceEntries[];
extern const std::size_t kResourceEntryCount;
}  // namespace detail

using ResourceBytes = std::span<const std::uint8_t>;

// A resource by type and name; types and names compare without regard to letter case. A name
// of the form "#123" finds the resource numbered 123. An empty span when there is none.
ResourceBytes FindResource(std::string_view type, std::string_view name);

// A resource by type and number. An empty span when there is none.
ResourceBytes FindResource(std::string_view type, int number);

// Calls visit(type, name, number, bytes) for every resource, in table order (name is empty for
// a numbered resource, number -1 for a named one).
template <typename Visit>
void ForEachResource(Visit&& visit) {
    for (std::size_t i = 0; i < detail::kResourceEntryCount; ++i) {
        const auto& e = detail::kResourceEntries[i];
        visit(std::string_view(e.type), std::string_view(e.name ? e.name : ""), e.number,
              ResourceBytes(e.begin, static_cast<std::size_t>(e.end - e.begin)));
    }
}

}  // namespace wirbelix
