#pragma once
// The build settings of a project: what the viewer of a built executable shows and how big
// its window is. Saved in project files and written into every output's settings block.

#include <array>
#include <cstdint>
#include <string>

namespace pagolux {

struct BuildSettings {
    // The window elements in settings-block order: status bar, toolbar, print, exit, about,
    // back, forward, home page, reload, exit button.
    static constexpr int kElementCount = 10;
    std::array<bool, kElementCount> elements{true, true, true, true, true, true, true, true, true, true};
    int32_t width = 600;
    int32_t height = 440;
    bool definedSize = true; // false: the viewer opens maximised
    bool fixedSize = false;  // fixed size, no menu
    std::string projectName = "Pagolux 2.0";

    bool operator==(const BuildSettings&) const = default;
};

} // namespace pagolux
