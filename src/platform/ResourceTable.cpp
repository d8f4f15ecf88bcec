#include "platform/ResourceTable.h"

#include "platform/NumberParse.h"
#include "platform/TextCompare.h"

namespace wirbelix {

namespace {

ResourceBytes Bytes(const detail::ResourceEntry& e) {
    return ResourceBytes(e.begin, static_cast<std::size_t>(e.end - e.begin));
}

}  // namespace

ResourceBytes FindResource(std::string_view type, std::string_view name) {
    if (!name.empty() && name.front() == '#') {
        name.remove_prefix(1);
        if (name.empty() || name.find_first_not_of("0123456789") != std::string_view::npos)
            return {};
        return FindResource(type, static_cast<int>(ParseNumber(name)));
    }
    for (std::size_t i = 0; i < detail::kResourceEntryCount; ++i) {
        const auto& e = detail::kResourceEntries[i];
        if (e.name && EqualsNoCase(e.type, type) && EqualsNoCase(e.name, name)) return Bytes(e);
    }
    return {};
}

ResourceBytes FindResource(std::string_view type, int number) {
    for (std::size_t i = 0; i < detail::kResourceEntryCount; ++i) {
        const auto& e = detail::kResourceEntries[i];
        if (!e.name && e.number == number && EqualsNoCase(e.type, type)) return Bytes(e);
    }
    return {};
}

}  // namespace wirbelix
