#pragma once
// The build settings of a project: what the viewer of a built executable shows and how big
// its window is. Saved in project files and written into every output's settings block.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace pagolux {

struct BuildSettings {
    // The window elements in settings-block order: status bar, toolbar, print, exit, about,
    // back, forward, home page, reload, exit button.
    static constexpr int kElementCount = 10;
    // The range of the window's width and height spin edits.
    static constexpr int32_t kMinExtent = 64;
    static constexpr int32_t kMaxExtent = 1280;

    std::array<bool, kElementCount> elements{true, true, true, true, true, true, true, true, true, true};
    int32_t width = 600;
    int32_t height = 440;
    bool definedSize = true; // false: the viewer opens maximised
    bool fixedSize = false;  // fixed size, no menu
    std::string projectName = "Pagolux 2.0";

    // The settings of a new project ("Neu" in the window): those of the program start, except
    // that the fixed size is on.
    [[nodiscard]] static BuildSettings afterNew()
    {
        BuildSettings s;
        s.fixedSize = true;
        return s;
    }

    // A width or height as the spin edits would show it.
    [[nodiscard]] static int32_t clampExtent(int32_t value)
    {
        return std::clamp(value, kMinExtent, kMaxExtent);
    }

    bool operator==(const BuildSettings&) const = default;
};

} // namespace pagolux
