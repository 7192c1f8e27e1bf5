#pragma once
// A project in memory: the entries (full paths of files and folders, in the order they were
// added, duplicates allowed), the chosen start file and the build settings.

#include "format/BuildSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pagolux {

struct Project {
    std::vector<std::string> entries;
    // Index into entries; -1 (or any index outside the entries) means "no start file".
    int32_t startIndex = -1;
    BuildSettings settings;

    // The start file's path, or std::nullopt when the index names no entry.
    [[nodiscard]] std::optional<std::string> startFile() const
    {
        if (startIndex < 0 || static_cast<std::size_t>(startIndex) >= entries.size())
            return std::nullopt;
        return entries[static_cast<std::size_t>(startIndex)];
    }

    bool operator==(const Project&) const = default;
};

} // namespace pagolux
