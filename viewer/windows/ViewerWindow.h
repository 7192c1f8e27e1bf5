#pragma once
// The Windows viewer's main window: title, size and fixed frame as the settings block says,
// the menu and toolbar commands it flags, a status bar, and the browser control in between.

#include "format/BuildSettings.h"
#include "viewer/windows/BrowserEngine.h"
#include "viewer/windows/WindowKeys.h"

#include <windows.h>

#include <memory>
#include <string>

namespace pagolux {
class ViewerPackage;
}

namespace pagolux::win {

// Command ids of the menu and the toolbar.
enum Command : int {
    CmdPrint = 101,
    CmdExit,
    CmdAbout,
    CmdBack,
    CmdForward,
    CmdHome,
    CmdReload,
    CmdExitButton,
};

class PageKeyHook;

class ViewerWindow {
  public:
    // package serves the pages; startPath is the start page's decoded site path ("/index.html").
    ViewerWindow(const BuildSettings& settings, ViewerPackage& package, std::string startPath);
    ~ViewerWindow();
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;

    // Creates and shows the window with the engine the machine offers (Edge WebView2, else the
    // system's browser control), then loads the start page; false if the window could not be
    // made at all.
    bool create(HINSTANCE instance, int show);
    // Runs the message loop until the window is closed; returns the exit status.
    int run();

    [[nodiscard]] HWND handle() const { return hwnd_; }

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void buildMenu();
    void buildToolBar();
    void layout();
    void command(int id);
    void setStatus(const std::wstring& text);
    void setHistory(bool canBack, bool canForward);
    [[nodiscard]] bool on(int element) const;
    // The key commands the settings enable.
    [[nodiscard]] win_keys::EnabledCommands enabledKeys() const;

    void createEngine();

    BuildSettings settings_;
    ViewerPackage& package_;
    std::string startPath_;
    std::wstring home_;
    std::wstring title_;
    HWND hwnd_ = nullptr;
    HWND toolBar_ = nullptr;
    HWND statusBar_ = nullptr;
    HMENU menu_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    std::unique_ptr<BrowserEngine> browser_;
    std::unique_ptr<PageKeyHook> keyHook_; // only while Edge WebView2 shows the pages
};

} // namespace pagolux::win
