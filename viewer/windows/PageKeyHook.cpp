#include "viewer/windows/PageKeyHook.h"

namespace pagolux::win {
namespace {

// The hook procedure gets no context: the one active hook of the process.
PageKeyHook* active = nullptr;

} // namespace

PageKeyHook::PageKeyHook(HWND window, win_keys::EnabledCommands enabled, const CommandIds& ids)
    : window_(window), enabled_(enabled), ids_(ids)
{
    if (active)
        return;
    // A low-level hook runs on the installing thread, from its message loop, so the procedure
    // shares that thread with the window and needs no locking.
    hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, &PageKeyHook::procedure, GetModuleHandleW(nullptr), 0);
    if (hook_) {
        active = this;
        // Wine passes a key by a low-level hook whose thread has fetched no message for five
        // seconds while it waits on its display connection, as if the thread hung; a timer
        // that wakes the thread every second keeps it answering, for one message a second.
        keepAwake_ = SetTimer(nullptr, 0, 1000, [](HWND, UINT, UINT_PTR, DWORD) {});
    }
}

PageKeyHook::~PageKeyHook()
{
    if (!hook_)
        return;
    UnhookWindowsHookEx(hook_);
    if (keepAwake_)
        KillTimer(nullptr, keepAwake_);
    active = nullptr;
}

int PageKeyHook::take(const KBDLLHOOKSTRUCT& key) const
{
    // Only while this window is in front and takes input: a message box of it disables it.
    const HWND front = GetForegroundWindow();
    if (!front || GetAncestor(front, GA_ROOTOWNER) != window_ || !IsWindowEnabled(window_))
        return 0;
    win_keys::Modifiers mods;
    mods.ctrl = (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
    mods.alt = (key.flags & LLKHF_ALTDOWN) != 0 || (GetAsyncKeyState(VK_MENU) & 0x8000) != 0;
    const win_keys::KeyCommand c = win_keys::hookCommand(key.vkCode, mods, enabled_);
    return c == win_keys::KeyCommand::None ? 0 : ids_[static_cast<std::size_t>(c)];
}

LRESULT CALLBACK PageKeyHook::procedure(int code, WPARAM wp, LPARAM lp)
{
    // Windows drops a low-level hook that answers slowly: a few checks, a posted message, and
    // nothing that waits.
    if (code == HC_ACTION && active) {
        const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        const bool down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
        if (!down && key.vkCode == active->swallowedKey_) {
            active->swallowedKey_ = 0;
            return 1;
        }
        if (down) {
            if (const int id = active->take(key); id != 0) {
                PostMessageW(active->window_, WM_COMMAND, static_cast<WPARAM>(id), 0);
                active->swallowedKey_ = key.vkCode;
                return 1;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

} // namespace pagolux::win
