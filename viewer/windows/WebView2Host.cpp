#include "viewer/windows/WebView2Host.h"

#include "viewer/core/SiteAddressSpace.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/windows/ComBase.h"
#include "viewer/windows/EngineChoice.h"
#include "viewer/windows/MemberIStream.h"
#include "viewer/windows/NavigationStatus.h"
#include "viewer/windows/WebView2Abi.h"
#include "viewer/windows/WebView2Object.h"
#include "viewer/windows/WebView2Request.h"
#include "viewer/windows/WinText.h"

#include <shlobj.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <utility>

namespace pagolux::win {

using namespace wv2;

namespace {

// A completed handler or event handler that calls fn with the arguments of I::Invoke.
template <class I, class Invoke = decltype(&I::Invoke)> class Handler;
template <class I, class C, class... A> class Handler<I, HRESULT (C::*)(A...)> final : public Implements<I> {
  public:
    explicit Handler(std::function<HRESULT(A...)> fn) : fn_(std::move(fn)) {}
    HRESULT STDMETHODCALLTYPE Invoke(A... args) override { return fn_(args...); }

  private:
    std::function<HRESULT(A...)> fn_;
};

template <class I, class F> ComPtr<I> makeHandler(F fn)
{
    ComPtr<I> p;
    *p.out() = new Handler<I>(std::move(fn));
    return p;
}

// Registers fn for one event of the web view; the token is not kept, the viewer never leaves.
template <class I, class Add, class F> HRESULT listen(ICoreWebView2* view, Add add, F fn)
{
    EventRegistrationToken token{};
    return (view->*add)(makeHandler<I>(std::move(fn)).get(), &token);
}

std::string hresultText(HRESULT hr)
{
    char text[16];
    wsprintfA(text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// A string the runtime allocated, freed when it goes out of scope.
class RuntimeString {
  public:
    ~RuntimeString() { CoTaskMemFree(p_); }
    LPWSTR* out() { return &p_; }
    [[nodiscard]] std::wstring get() const { return p_ ? std::wstring(p_) : std::wstring(); }

  private:
    LPWSTR p_ = nullptr;
};

std::wstring environmentValue(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(buffer, n) : std::wstring();
}

std::wstring ownPath()
{
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(path, n) : std::wstring();
}

bool isFile(const std::wstring& path)
{
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

struct Runtime {
    std::wstring dll;
    std::int32_t type = 0;                             // 0 installed, 1 a folder of the environment
    std::optional<win_engine::RuntimeVersion> version; // from the registry's folder name
};

// The runtime folder of WEBVIEW2_BROWSER_EXECUTABLE_FOLDER (a relative one counts from the
// program's folder), else the installed runtime the registry names in either hive, stable
// channel first. The 32-bit registry view is where the runtime's updater writes.
std::optional<Runtime> findRuntime(EngineOutcome& outcome)
{
    if (std::wstring folder = environmentValue(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"); !folder.empty()) {
        const bool relative =
            !(folder.size() > 1 && (folder[1] == L':' || (folder[0] == L'\\' && folder[1] == L'\\')));
        if (relative) {
            const std::wstring self = ownPath();
            folder = self.substr(0, self.find_last_of(L"\\/") + 1) + folder;
        }
        Runtime r{win_engine::runtimeDll(folder), 1, std::nullopt};
        if (!isFile(r.dll)) {
            outcome = {"runtime-missing", "no " + narrow(r.dll)};
            return std::nullopt;
        }
        return r;
    }
    static constexpr std::array<const wchar_t*, 4> kChannels = {
        L"{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}", // stable
        L"{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}", // beta
        L"{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}", // dev
        L"{65C35B14-6C1D-4122-AC46-7148CC9D6497}", // canary
    };
    outcome = {"runtime-missing", "no WebView2 runtime in the registry"};
    for (const wchar_t* channel : kChannels) {
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            const std::wstring path =
                std::wstring(L"Software\\Microsoft\\EdgeUpdate\\ClientState\\") + channel;
            HKEY key = nullptr;
            if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
                continue;
            wchar_t folder[MAX_PATH * 2] = {};
            DWORD size = sizeof folder - sizeof(wchar_t);
            DWORD type = 0;
            const LSTATUS rc =
                RegQueryValueExW(key, L"EBWebView", nullptr, &type, reinterpret_cast<BYTE*>(folder), &size);
            RegCloseKey(key);
            if (rc != ERROR_SUCCESS || type != REG_SZ || folder[0] == L'\0')
                continue;
            const std::wstring name = win_engine::lastComponent(folder);
            const auto version = win_engine::parseVersion(narrow(name));
            if (!version || !win_engine::supported(*version)) {
                outcome = {"runtime-too-old", narrow(folder)};
                continue;
            }
            Runtime r{win_engine::runtimeDll(folder), 0, version};
            if (isFile(r.dll))
                return r;
            outcome = {"runtime-missing", "no " + narrow(r.dll)};
        }
    }
    return std::nullopt;
}

// The file version a loaded DLL's version resource records, read straight from the resource.
std::optional<win_engine::RuntimeVersion> moduleVersion(HMODULE module)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16)); // RT_VERSION
    if (!found)
        return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = SizeofResource(module, found);
    if (!bytes)
        return std::nullopt;
    // The fixed part begins with its signature, 0xFEEF04BD, on a 4-byte boundary; the file
    // version follows two DWORDs later (most significant half first).
    for (DWORD at = 0; at + 16 <= size; at += 4) {
        DWORD word[4];
        std::memcpy(word, bytes + at, sizeof word);
        if (word[0] == 0xFEEF04BDu)
            return win_engine::RuntimeVersion{HIWORD(word[2]), LOWORD(word[2]), HIWORD(word[3]),
                                              LOWORD(word[3])};
    }
    return std::nullopt;
}

std::string versionText(const win_engine::RuntimeVersion& v)
{
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
           std::to_string(v[3]);
}

// The program's user data folder: WEBVIEW2_USER_DATA_FOLDER when set, else its own folder
// under %LOCALAPPDATA%\Pagolux\WebView2 (never beside the program, whose folder may be
// read-only), else one under the temporary folder. Empty when none can be made.
std::wstring userDataFolder(EngineOutcome& outcome)
{
    if (std::wstring given = environmentValue(L"WEBVIEW2_USER_DATA_FOLDER"); !given.empty())
        return given;
    const std::wstring name = win_engine::userDataName(ownPath());
    const auto make = [&name](const std::wstring& base) -> std::wstring {
        if (base.empty())
            return {};
        std::wstring folder = base;
        if (folder.back() != L'\\')
            folder += L'\\';
        folder += L"Pagolux\\WebView2\\" + name;
        const int rc = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
        return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS || rc == ERROR_FILE_EXISTS ? folder
                                                                                            : std::wstring();
    };
    if (std::wstring folder = make(environmentValue(L"LOCALAPPDATA")); !folder.empty())
        return folder;
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (std::wstring folder = make(n > 0 && n <= MAX_PATH ? std::wstring(temp, n) : std::wstring());
        !folder.empty()) {
        outcome.detail += "; user data in the temporary folder " + narrow(folder);
        return folder;
    }
    return {};
}

// Dispatches the thread's messages until done is set or the deadline passes; false on time-out
// (or when the program is asked to quit meanwhile, whose message is put back).
bool waitFor(const bool& done, DWORD deadline)
{
    while (!done) {
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline - now, QS_ALLINPUT);
        MSG msg;
        while (!done && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

} // namespace

struct WebView2Host::State {
    BrowserEvents events;
    MemberSource* source = nullptr;
    std::unique_ptr<viewer::SiteAddressSpace> site;
    HMODULE module = nullptr;
    ComPtr<ICoreWebView2Environment> environment;
    ComPtr<ICoreWebView2Controller> controller;
    ComPtr<ICoreWebView2> view;
    // Navigations the viewer cancelled: their end keeps the text that says what became of them.
    std::set<UINT64> cancelled;

    void status(const std::string& text) const
    {
        if (events.statusText)
            events.statusText(widen(text));
    }

    HRESULT onRequest(ICoreWebView2WebResourceRequestedEventArgs* args)
    {
        ComPtr<ICoreWebView2WebResourceRequest> request;
        RuntimeString uri;
        if (FAILED(args->get_Request(request.out())) || !request || FAILED(request->get_Uri(uri.out())))
            return S_OK;
        win_webview2::Answer a = win_webview2::answer(*site, *source, narrow(uri.get()));
        ComPtr<IStream> content;
        *content.out() = new MemberIStream(std::move(a.body));
        ComPtr<ICoreWebView2WebResourceResponse> response;
        if (SUCCEEDED(environment->CreateWebResourceResponse(content.get(), a.status, widen(a.reason).c_str(),
                                                             widen(a.headers).c_str(), response.out())))
            args->put_Response(response.get());
        return S_OK;
    }

    HRESULT onNavigation(ICoreWebView2NavigationStartingEventArgs* args)
    {
        RuntimeString uri;
        BOOL user = FALSE;
        args->get_Uri(uri.out());
        args->get_IsUserInitiated(&user);
        const std::wstring url = uri.get();
        const std::string address = narrow(url);
        const win_webview2::Route route = win_webview2::routeOf(address);
        if (route == win_webview2::Route::Load) {
            status(win_webview2::navigationText(address, route, false));
            return S_OK;
        }
        args->put_Cancel(TRUE);
        UINT64 id = 0;
        if (SUCCEEDED(args->get_NavigationId(&id)))
            cancelled.insert(id);
        const bool opened = route == win_webview2::Route::External && user && events.openExternal;
        if (opened)
            events.openExternal(url);
        status(win_webview2::navigationText(address, route, opened));
        return S_OK;
    }

    HRESULT onCompleted(ICoreWebView2NavigationCompletedEventArgs* args)
    {
        UINT64 id = 0;
        if (SUCCEEDED(args->get_NavigationId(&id)) && cancelled.erase(id) > 0)
            return S_OK;
        BOOL success = FALSE;
        COREWEBVIEW2_WEB_ERROR_STATUS error = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
        args->get_IsSuccess(&success);
        args->get_WebErrorStatus(&error);
        // Runtimes before 102 do not tell the answer's status.
        std::int32_t httpStatus = 0;
        ComPtr<ICoreWebView2NavigationCompletedEventArgs2> args2;
        if (SUCCEEDED(args->QueryInterface(IID_ICoreWebView2NavigationCompletedEventArgs2,
                                           reinterpret_cast<void**>(args2.out()))) &&
            args2)
            args2->get_HttpStatusCode(&httpStatus);
        status(win_webview2::completedText(success != FALSE, error, httpStatus));
        return S_OK;
    }

    HRESULT onNewWindow(ICoreWebView2NewWindowRequestedEventArgs* args)
    {
        RuntimeString uri;
        BOOL user = FALSE;
        args->get_Uri(uri.out());
        args->get_IsUserInitiated(&user);
        // No second engine window: pages of the site open in this one, the web in the browser.
        args->put_Handled(TRUE);
        const std::wstring url = uri.get();
        const win_webview2::Route route = win_webview2::routeOf(narrow(url));
        if (route == win_webview2::Route::Load)
            view->Navigate(url.c_str());
        else if (route == win_webview2::Route::External && user && events.openExternal)
            events.openExternal(url);
        return S_OK;
    }

    HRESULT onHistory()
    {
        BOOL back = FALSE;
        BOOL forward = FALSE;
        view->get_CanGoBack(&back);
        view->get_CanGoForward(&forward);
        if (events.historyChanged)
            events.historyChanged(back != FALSE, forward != FALSE);
        return S_OK;
    }
};

std::unique_ptr<WebView2Host> WebView2Host::create(HWND parent, BrowserEvents events, ViewerPackage& package,
                                                   EngineOutcome& outcome)
{
    const DWORD deadline = GetTickCount() + kWebView2CreateTimeoutMs;
    const std::optional<Runtime> runtime = findRuntime(outcome);
    if (!runtime)
        return nullptr;
    auto state = std::make_unique<State>();
    state->events = std::move(events);
    state->source = &package;
    state->module = LoadLibraryW(runtime->dll.c_str());
    if (!state->module) {
        outcome = {"runtime-unloadable",
                   narrow(runtime->dll) + " " + hresultText(HRESULT_FROM_WIN32(GetLastError()))};
        return nullptr;
    }
    // The library stays loaded for the rest of the process: the runtime's objects may still
    // call into it after a failed attempt.
    const auto version = runtime->version ? runtime->version : moduleVersion(state->module);
    if (!version || !win_engine::supported(*version)) {
        outcome = {"runtime-too-old",
                   narrow(runtime->dll) + (version ? " " + versionText(*version) : " without version")};
        return nullptr;
    }
    const auto createEnvironment = reinterpret_cast<CreateEnvironmentFunction>(
        reinterpret_cast<void*>(GetProcAddress(state->module, kCreateEnvironmentExport)));
    if (!createEnvironment) {
        outcome = {"export-missing", narrow(runtime->dll) + " has no " + kCreateEnvironmentExport};
        return nullptr;
    }
    outcome = {"runtime", versionText(*version) + " " + narrow(runtime->dll)};
    const std::wstring dataFolder = userDataFolder(outcome);
    if (dataFolder.empty()) {
        outcome = {"user-data-unavailable", "no folder under %LOCALAPPDATA% or the temporary folder"};
        return nullptr;
    }

    // Both waits share one deadline; the results live in shared pieces, so that a runtime
    // answering after the time-out writes into them harmlessly (a late controller is closed).
    struct Pending {
        bool done = false;
        bool abandoned = false;
        HRESULT result = E_PENDING;
        ComPtr<ICoreWebView2Environment> environment;
        ComPtr<ICoreWebView2Controller> controller;
    };
    auto pending = std::make_shared<Pending>();
    auto environmentDone = makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [pending](HRESULT hr, ICoreWebView2Environment* env) {
            if (pending->abandoned || pending->done)
                return S_OK;
            pending->result = hr;
            if (SUCCEEDED(hr) && env)
                env->QueryInterface(IID_ICoreWebView2Environment,
                                    reinterpret_cast<void**>(pending->environment.out()));
            pending->done = true;
            return S_OK;
        });
    HRESULT hr = createEnvironment(true, runtime->type, dataFolder.c_str(), nullptr, environmentDone.get());
    const bool answered = SUCCEEDED(hr) && waitFor(pending->done, deadline);
    if (FAILED(hr) || (answered && (FAILED(pending->result) || !pending->environment))) {
        pending->abandoned = true;
        outcome = {"environment-failed", hresultText(FAILED(hr) ? hr : pending->result)};
        return nullptr;
    }
    if (!answered) {
        pending->abandoned = true;
        outcome = {"timeout", "no environment within " + std::to_string(kWebView2CreateTimeoutMs) + " ms"};
        return nullptr;
    }
    pending->done = false;
    pending->result = E_PENDING;
    auto controllerDone = makeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        [pending](HRESULT hr, ICoreWebView2Controller* c) {
            if (pending->done)
                return S_OK;
            if (pending->abandoned) {
                if (c)
                    c->Close();
                return S_OK;
            }
            pending->result = hr;
            if (SUCCEEDED(hr) && c) {
                c->AddRef();
                *pending->controller.out() = c;
            }
            pending->done = true;
            return S_OK;
        });
    hr = pending->environment->CreateCoreWebView2Controller(parent, controllerDone.get());
    const bool created = SUCCEEDED(hr) && waitFor(pending->done, deadline);
    if (FAILED(hr) || (created && (FAILED(pending->result) || !pending->controller))) {
        pending->abandoned = true;
        outcome = {"controller-failed", hresultText(FAILED(hr) ? hr : pending->result)};
        return nullptr;
    }
    if (!created) {
        pending->abandoned = true;
        outcome = {"timeout", "no controller within " + std::to_string(kWebView2CreateTimeoutMs) + " ms"};
        return nullptr;
    }

    state->environment = std::move(pending->environment);
    state->controller = std::move(pending->controller);
    if (FAILED(hr = state->controller->get_CoreWebView2(state->view.out())) || !state->view) {
        state->controller->Close();
        outcome = {"controller-failed", "no web view " + hresultText(hr)};
        return nullptr;
    }
    ComPtr<ICoreWebView2Settings> settings;
    if (SUCCEEDED(state->view->get_Settings(settings.out())) && settings) {
        settings->put_AreDevToolsEnabled(FALSE);
        settings->put_AreHostObjectsAllowed(FALSE);
        settings->put_IsWebMessageEnabled(FALSE);
    }
    state->site = std::make_unique<viewer::SiteAddressSpace>(package.memberKeys(), package.startKey());
    State* s = state.get();
    ICoreWebView2* view = state->view.get();
    hr = view->AddWebResourceRequestedFilter(widen(win_webview2::kFilter).c_str(),
                                             COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    if (SUCCEEDED(hr))
        hr = listen<ICoreWebView2WebResourceRequestedEventHandler>(
            view, &ICoreWebView2::add_WebResourceRequested,
            [s](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* a) { return s->onRequest(a); });
    if (SUCCEEDED(hr))
        hr = listen<ICoreWebView2NavigationStartingEventHandler>(
            view, &ICoreWebView2::add_NavigationStarting,
            [s](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* a) { return s->onNavigation(a); });
    if (SUCCEEDED(hr))
        hr = listen<ICoreWebView2NavigationCompletedEventHandler>(
            view, &ICoreWebView2::add_NavigationCompleted,
            [s](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* a) { return s->onCompleted(a); });
    if (SUCCEEDED(hr))
        hr = listen<ICoreWebView2NewWindowRequestedEventHandler>(
            view, &ICoreWebView2::add_NewWindowRequested,
            [s](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* a) { return s->onNewWindow(a); });
    if (SUCCEEDED(hr))
        hr = listen<ICoreWebView2HistoryChangedEventHandler>(
            view, &ICoreWebView2::add_HistoryChanged,
            [s](ICoreWebView2*, IUnknown*) { return s->onHistory(); });
    if (FAILED(hr)) {
        state->controller->Close();
        outcome = {"controller-failed", "events not registered " + hresultText(hr)};
        return nullptr;
    }
    state->controller->put_IsVisible(TRUE);
    return std::unique_ptr<WebView2Host>(new WebView2Host(std::move(state)));
}

WebView2Host::WebView2Host(std::unique_ptr<State> state) : state_(std::move(state)) {}

WebView2Host::~WebView2Host()
{
    state_->view.reset();
    if (state_->controller)
        state_->controller->Close();
}

std::wstring WebView2Host::urlForSitePath(const std::string& sitePath) const
{
    return widen(win_webview2::urlForPath(sitePath));
}

void WebView2Host::navigate(const std::wstring& url)
{
    state_->view->Navigate(url.c_str());
}

void WebView2Host::back()
{
    state_->view->GoBack();
}

void WebView2Host::forward()
{
    state_->view->GoForward();
}

void WebView2Host::reload()
{
    state_->view->Reload();
}

void WebView2Host::print()
{
    // The engine's print preview: through the call for it where the runtime has one (109 on),
    // which also prints documents without script (a PDF), else through the page's script.
    ComPtr<ICoreWebView2_16> withPrintUi;
    if (SUCCEEDED(state_->view->QueryInterface(IID_ICoreWebView2_16,
                                               reinterpret_cast<void**>(withPrintUi.out()))) &&
        withPrintUi && SUCCEEDED(withPrintUi->ShowPrintUI(COREWEBVIEW2_PRINT_DIALOG_KIND_BROWSER)))
        return;
    state_->view->ExecuteScript(
        L"window.print();",
        makeHandler<ICoreWebView2ExecuteScriptCompletedHandler>([](HRESULT, LPCWSTR) { return S_OK; }).get());
}

void WebView2Host::setRect(const RECT& rect)
{
    state_->controller->put_Bounds(rect);
}

bool WebView2Host::translateAccelerator(MSG*)
{
    // The engine takes its keys in its own window, out of this loop's reach; PageKeyHook brings
    // the window's own keys back.
    return false;
}

void WebView2Host::focus()
{
    state_->controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

std::unique_ptr<WebView2Host> chooseWebView2(HWND parent, BrowserEvents events, ViewerPackage& package,
                                             EngineOutcome& outcome)
{
    const win_engine::EngineRequest asked = win_engine::engineRequest(std::getenv("PAGOLUX_VIEWER_ENGINE"));
    if (asked == win_engine::EngineRequest::InternetExplorer) {
        outcome = {"forced-ie", "PAGOLUX_VIEWER_ENGINE=ie"};
        return nullptr;
    }
    return WebView2Host::create(parent, std::move(events), package, outcome);
}

} // namespace pagolux::win
