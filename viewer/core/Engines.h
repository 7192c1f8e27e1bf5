#pragma once
// The web engines a Linux program can show its pages with, in the order the starter tries
// them, and the German message for a machine that has none. Free of the C++ library, as the
// starter is.

#include <cstddef>

namespace pagolux::engines {

// Names as PAGOLUX_VIEWER_ENGINE and the probe's "engine=" line spell them. WebKitGTK comes
// first because the stock GNOME and Xfce desktops bring it; Qt 6 WebEngine before Qt 5
// WebEngine because it is the newer engine of the two.
inline constexpr const char* kWebKitGtk41 = "webkit2gtk-4.1";
inline constexpr const char* kWebKitGtk40 = "webkit2gtk-4.0";
inline constexpr const char* kWebKitGtk60 = "webkitgtk-6.0";
inline constexpr const char* kQt6 = "qt6";
inline constexpr const char* kQt5 = "qt5";
inline constexpr const char* kAll[] = {kWebKitGtk41, kWebKitGtk40, kWebKitGtk60, kQt6, kQt5};
inline constexpr std::size_t kCount = sizeof kAll / sizeof kAll[0];

// Whether engine is tried: every one when forced is null or empty, else only the one it names.
[[nodiscard]] bool tried(const char* engine, const char* forced);

// Whether the environment names a display a window can open on: an X server (DISPLAY), a
// Wayland compositor (WAYLAND_DISPLAY), or a toolkit back end chosen by hand (QT_QPA_PLATFORM,
// GDK_BACKEND). Each argument is that variable's value, null when it is not set.
[[nodiscard]] bool displayNamed(const char* display, const char* waylandDisplay, const char* qtPlatform,
                                const char* gdkBackend);

// The text shown when no display is named: no engine could show a window.
inline constexpr const char* kNoDisplayMessage =
    "Dieses Programm zeigt seine Seiten in einem Fenster und braucht dafür einen laufenden Desktop: "
    "Weder DISPLAY (X11) noch WAYLAND_DISPLAY (Wayland) ist gesetzt.\n"
    "Bitte starten Sie es aus der Sitzung eines Desktops heraus.";

// Writes the text shown when no engine could be started into out (cut to cap, always
// terminated) and returns its length; forced (may be null) is the engine a
// PAGOLUX_VIEWER_ENGINE asked for.
std::size_t missingEngineMessage(const char* forced, char* out, std::size_t cap);

// Writes the text shown when engine was found (its front ran) but could not open a window on
// the display named by display and waylandDisplay (null when not set), as missingEngineMessage
// does: telling the user to install an engine would send him the wrong way.
std::size_t noWindowMessage(const char* engine, const char* display, const char* waylandDisplay, char* out,
                            std::size_t cap);

} // namespace pagolux::engines
