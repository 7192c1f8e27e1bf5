#pragma once
// The window's own keys while Edge WebView2 has the keyboard focus. The engine takes its input
// in its own window, which belongs to another process, so the window's message loop never sees
// a key pressed in the page. This low-level keyboard hook on the window's thread looks at each
// key press while the window is the foreground window and enabled (no dialog of it open); a
// key that means one of the window's own commands the engine does not carry out (see
// win_keys::hookCommand) is posted to the window as WM_COMMAND and swallowed, down and up.
// Every other key, Tab included, goes on to the page untouched.

#include "viewer/windows/WindowKeys.h"

#include <windows.h>

#include <array>

namespace pagolux::win {

class PageKeyHook {
  public:
    // The command id posted for each win_keys::KeyCommand, indexed by its value.
    using CommandIds = std::array<int, 8>;

    // Installs the hook for window; one hook per process (a second one stays inactive).
    PageKeyHook(HWND window, win_keys::EnabledCommands enabled, const CommandIds& ids);
    // Removes the hook.
    ~PageKeyHook();
    PageKeyHook(const PageKeyHook&) = delete;
    PageKeyHook& operator=(const PageKeyHook&) = delete;

    [[nodiscard]] bool installed() const { return hook_ != nullptr; }

  private:
    static LRESULT CALLBACK procedure(int code, WPARAM wp, LPARAM lp);
    // The command id for a key press, or 0 when the key goes on to the page.
    [[nodiscard]] int take(const KBDLLHOOKSTRUCT& key) const;

    HWND window_;
    win_keys::EnabledCommands enabled_;
    CommandIds ids_;
    HHOOK hook_ = nullptr;
    UINT_PTR keepAwake_ = 0; // the timer that keeps the thread fetching messages
    DWORD swallowedKey_ = 0; // the key whose press was taken, until it is released
};

} // namespace pagolux::win
