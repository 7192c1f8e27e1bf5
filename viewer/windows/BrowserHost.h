#pragma once
// Hosts the system web-browser control (IWebBrowser2) as an in-place OLE object inside a
// window: client site, in-place site and frame, IDocHostUIHandler for the look, a security
// manager that puts our own scheme in a zone where the pages' scripts run, and the browser's
// events (navigation routing, status text, back/forward state).

#include "viewer/windows/BrowserEngine.h"

#include <windows.h>

#include <string>

namespace pagolux::win {

class BrowserSite;

// Where a navigation of the control goes.
enum class NavigationRoute {
    Load,     // our own scheme or about:blank: the control shows it
    External, // http(s): the default browser, when the user's click or key asked for it
    Refuse,   // anything else (files on disk, other schemes): nowhere
};
[[nodiscard]] NavigationRoute routeOf(const std::wstring& url);

class BrowserHost final : public BrowserEngine {
  public:
    // Creates the control as a child of parent; on failure (no browser engine) returns false
    // and error() tells why, the window then stays without pages.
    bool create(HWND parent, BrowserEvents events);
    ~BrowserHost() override;

    [[nodiscard]] bool ready() const { return site_ != nullptr; }
    [[nodiscard]] const std::wstring& error() const { return error_; }

    [[nodiscard]] std::wstring urlForSitePath(const std::string& sitePath) const override;
    void navigate(const std::wstring& url) override;
    void back() override;
    void forward() override;
    void reload() override;
    void print() override;
    void setRect(const RECT& rect) override;
    bool translateAccelerator(MSG* msg) override;
    void noteInput(const MSG& msg) override;

  private:
    BrowserSite* site_ = nullptr;
    std::wstring error_;
};

// Makes the control render in the engine's newest document mode instead of the old default
// one. The control reads that from a per-user value named by the program's file name only, so
// the value is written only when none of that name exists (another program of the same name
// keeps its own choice) and is removed again when this program ends, if it still holds what
// was written; a value that was there before is never changed or removed.
void useNewestDocumentMode();

} // namespace pagolux::win
