#pragma once
// A project in memory: the entries (full paths of files and folders, in the order they were
// added, duplicates allowed), the chosen start file, the build settings and where the built
// program goes.

#include "format/BuildSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pagolux {

// The system a build is for; each has its own prototype viewer.
enum class BuildTarget { Linux, Windows };

// Where a project's program is built to and what happens after the build. Project files keep
// it in a block after the project name, which readers of the older layout never look at.
struct OutputChoice {
    std::string name; // the output name as typed in its field
    BuildTarget target = BuildTarget::Linux;
    bool autoStart = false; // "Datei nach dem Erstellen ausführen"

    bool operator==(const OutputChoice&) const = default;
};

struct Project {
    std::vector<std::string> entries;
    // Index into entries; -1 (or any index outside the entries) means "no start file".
    int32_t startIndex = -1;
    BuildSettings settings;
    // Absent for a file in the older layout: it is then saved without the block, byte for
    // byte as it was read.
    std::optional<OutputChoice> output;

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
