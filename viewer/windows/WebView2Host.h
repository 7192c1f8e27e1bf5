#pragma once
// Edge WebView2 as the viewer's engine: finds an installed runtime (or the folder named by
// WEBVIEW2_BROWSER_EXECUTABLE_FOLDER) the way the public loaders do, loads its DLL and calls
// the creation export without any loader DLL, creates environment and controller within a
// time limit, and serves every page from the program's members through WebResourceRequested
// on a made-up secure origin. Navigations away from the origin are refused; http(s) addresses
// go to the default browser when the user asked for them.

#include "viewer/windows/BrowserEngine.h"

#include <memory>
#include <string>

namespace pagolux {
class ViewerPackage;
}

namespace pagolux::win {

// Why an engine was (or was not) taken, as the self-test reports it. reason is a short code,
// detail the readable particulars (a path, a version, an error number).
struct EngineOutcome {
    std::string reason;
    std::string detail;
};

// Creation gives up after this long; the window then takes the other engine.
inline constexpr unsigned long kWebView2CreateTimeoutMs = 8000;

class WebView2Host final : public BrowserEngine {
  public:
    // Creates the engine inside parent, or returns null with the reason in outcome. Messages of
    // the thread are dispatched while it waits for the runtime.
    static std::unique_ptr<WebView2Host> create(HWND parent, BrowserEvents events, ViewerPackage& package,
                                                EngineOutcome& outcome);
    ~WebView2Host() override;
    WebView2Host(const WebView2Host&) = delete;
    WebView2Host& operator=(const WebView2Host&) = delete;

    [[nodiscard]] std::wstring urlForSitePath(const std::string& sitePath) const override;
    void navigate(const std::wstring& url) override;
    void back() override;
    void forward() override;
    void reload() override;
    void print() override;
    void setRect(const RECT& rect) override;
    bool translateAccelerator(MSG* msg) override;
    void focus() override;

    struct State;

  private:
    explicit WebView2Host(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// The WebView2 engine unless PAGOLUX_VIEWER_ENGINE=ie asks for the other one or WebView2
// cannot start here; null then, with the reason in outcome (the caller takes the system's
// browser control).
[[nodiscard]] std::unique_ptr<WebView2Host> chooseWebView2(HWND parent, BrowserEvents events,
                                                           ViewerPackage& package, EngineOutcome& outcome);

} // namespace pagolux::win
