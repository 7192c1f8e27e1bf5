#pragma once
// What the viewer's window asks of the engine that shows its pages. Two engines implement it:
// the system web-browser control (BrowserHost) and Edge WebView2 (WebView2Host); the window
// neither knows nor cares which one it got.

#include <windows.h>

#include <functional>
#include <string>

namespace pagolux::win {

struct BrowserEvents {
    std::function<void(const std::wstring&)> statusText;
    std::function<void(bool canBack, bool canForward)> historyChanged;
    // Opens a web address in the default browser.
    std::function<void(const std::wstring&)> openExternal;
};

class BrowserEngine {
  public:
    virtual ~BrowserEngine() = default;
    // The address the engine shows a decoded site path ("/index.html") under.
    [[nodiscard]] virtual std::wstring urlForSitePath(const std::string& sitePath) const = 0;
    virtual void navigate(const std::wstring& url) = 0;
    virtual void back() = 0;
    virtual void forward() = 0;
    virtual void reload() = 0;
    virtual void print() = 0;
    virtual void setRect(const RECT& rect) = 0;
    // Gives the engine the first look at a keyboard message; true when it took it.
    virtual bool translateAccelerator(MSG* msg) = 0;
    // Puts the keyboard focus into the page (the window got it).
    virtual void focus() {}
    // Sees every message of the window's thread before it is dispatched, so the engine can tell
    // what the user's own click or key acted on.
    virtual void noteInput(const MSG& /*msg*/) {}
};

} // namespace pagolux::win
