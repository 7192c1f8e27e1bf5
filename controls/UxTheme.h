#pragma once
// The theme-library layer. The buttons reach the desktop theme only through the three
// routines and five entry points below, so that a missing or switched-off theme simply gives
// the classic look.
//
// On this platform the "library" is Qt's style machinery: it counts as loaded when a native
// (non-classic) widget style can be created, the application counts as themed while it is a
// widget application, and the theme is active while the application's current style is not
// the classic "windows" style. Theme drawing goes through QStyle.
//
// Thread safety: the user count and the loaded entry points change only under one
// process-wide lock. Drawing happens on the GUI thread.

#include <functional>
#include <optional>
#include <string>

class QPainter;
class QRect;
class QWidget;

namespace pagolux {

using HTHEME = void*;

// Parts and states of the push-button theme class "BUTTON" that the buttons draw.
inline constexpr int BP_PUSHBUTTON = 1;
inline constexpr int PBS_PLAIN = 0; // drawn like the normal face
inline constexpr int PBS_NORMAL = 1;
inline constexpr int PBS_HOT = 2;
inline constexpr int PBS_PRESSED = 3;
inline constexpr int PBS_DISABLED = 4;

// The entry points the library exports. A loader returns all of them, or nothing.
struct ThemeEntryPoints {
    std::function<HTHEME(QWidget* window, const std::string& classList)> OpenThemeData;
    std::function<long(HTHEME theme)> CloseThemeData;
    std::function<long(HTHEME theme, QPainter& painter, int partId, int stateId, const QRect& rect,
                       const QWidget* widget)>
        DrawThemeBackground;
    std::function<int()> IsAppThemed;
    std::function<int()> IsThemeActive;

    [[nodiscard]] bool complete() const
    {
        return OpenThemeData && CloseThemeData && DrawThemeBackground && IsAppThemed && IsThemeActive;
    }
};

// Loads the library and resolves its entry points by name; std::nullopt when it is missing.
using ThemeLibraryLoader = std::function<std::optional<ThemeEntryPoints>()>;

// Counts one more user; loads the library when it is not loaded. Returns whether it is loaded.
// A library that lacks any of the five entry points counts as missing.
bool AcquireThemeLibrary();
// Counts one user less (never below zero); unloads the library when nobody uses it.
void ReleaseThemeLibrary();
// True while the library is loaded, the application is themed and the theme is active.
// IsThemeActive is asked only when IsAppThemed answered non-zero.
[[nodiscard]] bool ThemesInUse();

// The entry points of the loaded library (all empty while it is not loaded).
[[nodiscard]] ThemeEntryPoints ThemeFunctions();
// Users counted at the moment; for diagnostics and tests.
[[nodiscard]] int ThemeLibraryUsers();
[[nodiscard]] bool ThemeLibraryLoaded();

// Replaces the loader (tests); an empty function restores the Qt-style loader. Takes effect
// at the next load.
void SetThemeLibraryLoader(ThemeLibraryLoader loader);
// The loader over Qt's styles described above.
[[nodiscard]] std::optional<ThemeEntryPoints> LoadQtThemeLibrary();

// Name of the classic style; the theme is inactive while the application uses it.
inline constexpr const char* ClassicStyleName = "windows";

} // namespace pagolux
