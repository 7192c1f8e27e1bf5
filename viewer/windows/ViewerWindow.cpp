#include "viewer/windows/ViewerWindow.h"

#include "viewer/windows/BrowserHost.h"
#include "viewer/windows/PageKeyHook.h"
#include "viewer/windows/WebView2Host.h"
#include "viewer/windows/WinText.h"
#include "viewer/windows/resource.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace pagolux::win {
namespace {

constexpr wchar_t kClassName[] = L"PagoluxViewerWindow";
// Sizes outside this range are made reasonable rather than trusted.
constexpr int kMinSide = 64;
constexpr int kMaxSide = 16384;

// Flags in settings-block order.
enum Element { StatusBar, ToolBar, Print, Exit, About, Back, Forward, Home, Reload, ExitButton };

struct ToolButton {
    Element element;
    int command;
    const wchar_t* text;
};
constexpr std::array<ToolButton, 6> kToolButtons = {{
    {Back, CmdBack, L"Zurück"},
    {Forward, CmdForward, L"Vorwärts"},
    {Home, CmdHome, L"Startseite"},
    {Reload, CmdReload, L"Neu laden"},
    {Print, CmdPrint, L"Drucken"},
    {ExitButton, CmdExitButton, L"Beenden"},
}};

// Opens an address of the web in the default browser. Under the self-test's
// PAGOLUX_VIEWER_SELFTEST_OPENED the address is written to that file instead, so automation
// sees what would have opened without starting a browser.
void openInDefaultBrowser(const std::wstring& url)
{
    if (const wchar_t* log = _wgetenv(L"PAGOLUX_VIEWER_SELFTEST_OPENED"); log && *log) {
        if (FILE* out = _wfopen(log, L"ab")) {
            const std::string line = narrow(url) + "\n";
            std::fwrite(line.data(), 1, line.size(), out);
            std::fclose(out);
        }
        return;
    }
    ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The window's command for each win_keys::KeyCommand, indexed by its value.
constexpr PageKeyHook::CommandIds kKeyCommandIds = {0,       CmdPrint,   CmdExit, CmdAbout,
                                                    CmdBack, CmdForward, CmdHome, CmdReload};

} // namespace

ViewerWindow::ViewerWindow(const BuildSettings& settings, ViewerPackage& package, std::string startPath)
    : settings_(settings), package_(package), startPath_(std::move(startPath)),
      title_(widen(settings.projectName))
{
}

ViewerWindow::~ViewerWindow()
{
    if (menu_ && !GetMenu(hwnd_))
        DestroyMenu(menu_);
    if (bigIcon_)
        DestroyIcon(bigIcon_);
    if (smallIcon_)
        DestroyIcon(smallIcon_);
}

bool ViewerWindow::on(int element) const
{
    return settings_.elements[static_cast<std::size_t>(element)];
}

win_keys::EnabledCommands ViewerWindow::enabledKeys() const
{
    using win_keys::KeyCommand;
    win_keys::EnabledCommands e;
    e.set(KeyCommand::Print, on(Print))
        .set(KeyCommand::Exit, on(Exit) || on(ExitButton))
        .set(KeyCommand::About, on(About))
        .set(KeyCommand::Back, on(Back))
        .set(KeyCommand::Forward, on(Forward))
        .set(KeyCommand::Home, on(Home))
        .set(KeyCommand::Reload, on(Reload));
    return e;
}

bool ViewerWindow::create(HINSTANCE instance, int show)
{
    // The icon resource as the file holds it: a built program shows the pixels the builder wrote.
    bigIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VIEWER), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VIEWER), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ViewerWindow::windowProc;
    wc.hInstance = instance;
    wc.hIcon = bigIcon_;
    wc.hIconSm = smallIcon_;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    const bool fixed = settings_.fixedSize && settings_.definedSize;
    const DWORD style = fixed ? (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX) | WS_CLIPCHILDREN
                              : WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    // Width and height are the client area (toolbar, page and status bar), as in the Linux
    // viewer; the frame, title bar and menu come on top.
    if (!settings_.fixedSize)
        buildMenu();
    RECT outer{0, 0, std::clamp<int>(settings_.width, kMinSide, kMaxSide),
               std::clamp<int>(settings_.height, kMinSide, kMaxSide)};
    AdjustWindowRectEx(&outer, style, menu_ != nullptr, 0);
    hwnd_ =
        CreateWindowExW(0, kClassName, title_.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                        outer.right - outer.left, outer.bottom - outer.top, nullptr, menu_, instance, this);
    if (!hwnd_)
        return false;
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

    if (on(ToolBar))
        buildToolBar();
    if (on(StatusBar)) {
        statusBar_ =
            CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | (fixed ? 0 : SBARS_SIZEGRIP), 0,
                            0, 0, 0, hwnd_, nullptr, instance, nullptr);
    }

    ShowWindow(hwnd_, settings_.definedSize ? show : SW_SHOWMAXIMIZED);
    UpdateWindow(hwnd_);
    createEngine();
    setHistory(false, false);
    layout();
    home_ = browser_->urlForSitePath(startPath_);
    browser_->navigate(home_);
    browser_->focus();
    return true;
}

void ViewerWindow::createEngine()
{
    BrowserEvents events;
    events.statusText = [this](const std::wstring& text) { setStatus(text); };
    events.historyChanged = [this](bool b, bool f) { setHistory(b, f); };
    events.openExternal = openInDefaultBrowser;
    EngineOutcome outcome;
    if (auto webView = chooseWebView2(hwnd_, events, package_, outcome)) {
        browser_ = std::move(webView);
        keyHook_ = std::make_unique<PageKeyHook>(hwnd_, enabledKeys(), kKeyCommandIds);
        return;
    }
    useNewestDocumentMode();
    auto control = std::make_unique<BrowserHost>();
    if (!control->create(hwnd_, events))
        setStatus(L"Die Seiten können nicht angezeigt werden: Das Browser-Steuerelement fehlt (" +
                  control->error() + L").");
    browser_ = std::move(control);
}

void ViewerWindow::buildMenu()
{
    menu_ = CreateMenu();
    HMENU file = nullptr;
    const auto add = [](HMENU& sub, int id, const wchar_t* text) {
        if (!sub)
            sub = CreatePopupMenu();
        AppendMenuW(sub, MF_STRING, static_cast<UINT_PTR>(id), text);
    };
    if (on(Print))
        add(file, CmdPrint, L"&Drucken...\tStrg+P");
    if (on(Exit))
        add(file, CmdExit, L"&Beenden\tStrg+Q");
    HMENU view = nullptr;
    if (on(Back))
        add(view, CmdBack, L"&Zurück\tAlt+Links");
    if (on(Forward))
        add(view, CmdForward, L"&Vorwärts\tAlt+Rechts");
    if (on(Home))
        add(view, CmdHome, L"&Startseite\tAlt+Pos1");
    if (on(Reload))
        add(view, CmdReload, L"&Neu laden\tF5");
    HMENU help = nullptr;
    if (on(About))
        add(help, CmdAbout, L"Ü&ber...\tF1");
    if (file)
        AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&Datei");
    if (view)
        AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&Ansicht");
    if (help)
        AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Hilfe");
    if (!file && !view && !help) {
        DestroyMenu(menu_);
        menu_ = nullptr;
    }
}

void ViewerWindow::buildToolBar()
{
    std::array<TBBUTTON, kToolButtons.size()> buttons{};
    std::size_t count = 0;
    for (const ToolButton& b : kToolButtons) {
        if (!on(b.element))
            continue;
        TBBUTTON& t = buttons[count++];
        t.iBitmap = I_IMAGENONE;
        t.idCommand = b.command;
        t.fsState = TBSTATE_ENABLED;
        t.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        t.iString = reinterpret_cast<INT_PTR>(b.text);
    }
    if (count == 0)
        return;
    toolBar_ =
        CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | CCS_TOP | TBSTYLE_TOOLTIPS, 0,
                        0, 0, 0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    SendMessageW(toolBar_, TB_ADDBUTTONSW, count, reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
}

void ViewerWindow::layout()
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    int top = 0;
    int bottom = client.bottom;
    if (toolBar_) {
        SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
        RECT r{};
        GetWindowRect(toolBar_, &r);
        top = r.bottom - r.top;
    }
    if (statusBar_) {
        SendMessageW(statusBar_, WM_SIZE, 0, 0);
        RECT r{};
        GetWindowRect(statusBar_, &r);
        bottom -= r.bottom - r.top;
    }
    const RECT area{0, top, client.right, std::max(top, bottom)};
    if (browser_)
        browser_->setRect(area);
}

void ViewerWindow::setStatus(const std::wstring& text)
{
    if (statusBar_)
        SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ViewerWindow::setHistory(bool canBack, bool canForward)
{
    if (toolBar_) {
        SendMessageW(toolBar_, TB_ENABLEBUTTON, CmdBack, MAKELONG(canBack, 0));
        SendMessageW(toolBar_, TB_ENABLEBUTTON, CmdForward, MAKELONG(canForward, 0));
    }
    if (menu_) {
        EnableMenuItem(menu_, CmdBack, MF_BYCOMMAND | (canBack ? MF_ENABLED : MF_GRAYED));
        EnableMenuItem(menu_, CmdForward, MF_BYCOMMAND | (canForward ? MF_ENABLED : MF_GRAYED));
    }
}

void ViewerWindow::command(int id)
{
    // The engine's commands wait until it exists (messages are dispatched while it starts).
    if (!browser_ && id != CmdExit && id != CmdExitButton && id != CmdAbout)
        return;
    switch (id) {
    case CmdPrint:
        if (on(Print))
            browser_->print();
        break;
    case CmdExit:
    case CmdExitButton:
        if (on(Exit) || on(ExitButton))
            PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        break;
    case CmdAbout:
        if (on(About)) {
            const std::wstring text = title_ + L"\n\nErstellt mit Pagolux 2.0.";
            const std::wstring caption = L"Über " + title_;
            MessageBoxW(hwnd_, text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
        }
        break;
    case CmdBack:
        if (on(Back))
            browser_->back();
        break;
    case CmdForward:
        if (on(Forward))
            browser_->forward();
        break;
    case CmdHome:
        if (on(Home))
            browser_->navigate(home_);
        break;
    case CmdReload:
        if (on(Reload))
            browser_->reload();
        break;
    default:
        break;
    }
}

LRESULT CALLBACK ViewerWindow::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<ViewerWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ViewerWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT ViewerWindow::handle(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SIZE:
        layout();
        return 0;
    case WM_COMMAND:
        command(LOWORD(wp));
        return 0;
    case WM_SETFOCUS:
        if (browser_)
            browser_->focus();
        return 0;
    case 0x02E0: { // WM_DPICHANGED: moved to a monitor of another scale; take the size it suggests
        const auto* r = reinterpret_cast<const RECT*>(lp);
        SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_DESTROY:
        keyHook_.reset();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

int ViewerWindow::run()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (browser_)
            browser_->noteInput(msg);
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            win_keys::Modifiers mods;
            mods.alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
            mods.ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
            const auto key = win_keys::commandForKey(static_cast<unsigned>(msg.wParam), mods);
            if (key != win_keys::KeyCommand::None) {
                command(kKeyCommandIds[static_cast<std::size_t>(key)]);
                continue;
            }
        }
        if (browser_ && browser_->translateAccelerator(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace pagolux::win
