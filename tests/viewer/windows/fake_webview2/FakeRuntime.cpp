// A stand-in for the WebView2 runtime's EmbeddedBrowserWebView.dll, for the viewer's tests
// under Wine (which has no such runtime). It exports the creation function and implements just
// enough environment, controller and web view to drive the viewer's whole request path, and
// writes what the viewer does to a log, one line per event:
//   create flag=1 type=1 userData=...   the creation call
//   filter uri=... context=N            a request filter the viewer added
//   handler NAME                        an event handler the viewer registered
//   navigate uri=...                    a navigation the viewer asked for
//   request uri=... status=... reason=... type=... length=... location=... bytes=... crc=...
//                                        (spaces of the reason phrase written as "+")
//   navigation uri=... user=0|1 cancel=0|1     how the viewer took a navigation
//   status after=starting|completed uri=... text=...   the window's status bar text after the
//                                        viewer got that event (text runs to the line's end)
//   movefocus reason=N                  the viewer put the focus into the page
//   focus                                the page's window got the keyboard focus
//   key vk=XX                            a key press reached the page's window (hex)
//   click TEXT                           the stand-in clicked the toolbar button TEXT
//   printui kind=N                       the viewer opened the engine's print dialog
//   newwindow uri=... user=0|1 handled=0|1     how the viewer took a new-window request
//   done                                 the script has run; the viewer's window is closed
//                                        (unless PAGOLUX_FAKE_WEBVIEW2_STAY is set)
// Environment:
//   PAGOLUX_FAKE_WEBVIEW2_LOG       the log file
//   PAGOLUX_FAKE_WEBVIEW2_FAIL      environment | controller | silent-environment | silent-controller
//   PAGOLUX_FAKE_WEBVIEW2_REQUESTS  addresses requested after the first navigation, space-separated
//   PAGOLUX_FAKE_WEBVIEW2_NAVIGATIONS / _NEWWINDOWS  "user:URL" or "script:URL", space-separated;
//                                   navigations also "fail:URL" (ends with a network error) and
//                                   "missing:URL" (ends with HTTP status 404)
//   PAGOLUX_FAKE_WEBVIEW2_STAY      when set, the window stays open after the script
//   PAGOLUX_FAKE_WEBVIEW2_CLICK     toolbar buttons clicked after the script, by their text
//   PAGOLUX_FAKE_WEBVIEW2_NO_PRINT_UI  when set, the web view is one of a runtime before 109
// The page's window lives on a thread of its own, as the real runtime's lives in a process of
// its own: keys pressed in it never pass the viewer's message loop.

#include "viewer/windows/ComBase.h"
#include "viewer/windows/WebView2Abi.h"
#include "viewer/windows/WebView2Object.h"

#include <zlib.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace pagolux::wv2;
using pagolux::win::ComPtr;

namespace {

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string narrowText(LPCWSTR w)
{
    if (!w)
        return "";
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring wideText(const std::string& s)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, w.data(), n);
    return w;
}

void log(const std::string& line)
{
    const std::string file = env("PAGOLUX_FAKE_WEBVIEW2_LOG");
    if (file.empty())
        return;
    if (FILE* out = std::fopen(file.c_str(), "ab")) {
        std::fprintf(out, "%s\n", line.c_str());
        std::fclose(out);
    }
}

std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        out.push_back(text.substr(at, end - at));
        at = end;
    }
    return out;
}

LPWSTR taskString(const std::wstring& s)
{
    auto* p = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(wchar_t)));
    if (p)
        std::wmemcpy(p, s.c_str(), s.size() + 1);
    return p;
}

// Runs fn once from the thread's message loop, as the runtime answers asynchronously.
void later(std::function<void()> fn)
{
    static std::map<UINT_PTR, std::function<void()>> pending;
    const UINT_PTR id = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        auto it = pending.find(timer);
        if (it == pending.end())
            return;
        auto call = std::move(it->second);
        pending.erase(it);
        call();
    });
    pending[id] = std::move(fn);
}

// The status bar text of the viewer's window, read from its status control.
std::string statusText(HWND parent)
{
    HWND bar = FindWindowExW(parent, nullptr, STATUSCLASSNAMEW, nullptr);
    if (!bar)
        return "(no status bar)";
    wchar_t text[1024] = {};
    const auto length = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, 0, 0));
    if (length >= 1024)
        return "(too long)";
    SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return narrowText(text);
}

// The page's window, on a thread of its own; it notes the focus and the keys it gets.
constexpr UINT kTakeFocus = WM_APP + 1;

LRESULT CALLBACK pageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case kTakeFocus:
        SetFocus(hwnd);
        return 0;
    case WM_SETFOCUS:
        log("focus");
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        char text[32];
        std::snprintf(text, sizeof text, "key vk=%02X", static_cast<unsigned>(wp));
        log(text);
        return 0;
    }
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        // The page keeps Alt to itself: it does not open the window's menu.
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

struct PageStart {
    HWND parent;
    HWND page = nullptr;
    HANDLE ready;
};

DWORD WINAPI pageThread(void* arg)
{
    auto* start = static_cast<PageStart*>(arg);
    WNDCLASSW wc{};
    wc.lpfnWndProc = pageProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"PagoluxFakeWebView";
    RegisterClassW(&wc);
    start->page = CreateWindowExW(WS_EX_NOPARENTNOTIFY, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0,
                                  10, 10, start->parent, nullptr, wc.hInstance, nullptr);
    SetEvent(start->ready);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

// Starts the page's thread and waits for its window, answering what that thread sends to
// the viewer's windows meanwhile.
HWND startPage(HWND parent)
{
    PageStart start{parent, nullptr, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread = CreateThread(nullptr, 0, pageThread, &start, 0, nullptr);
    if (!thread) {
        CloseHandle(start.ready);
        return nullptr;
    }
    // WAIT_OBJECT_0 + 1: a message was sent to this thread; anything else ends the wait.
    while (MsgWaitForMultipleObjects(1, &start.ready, FALSE, 10000, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(start.ready);
    CloseHandle(thread);
    return start.page;
}

// An object of the runtime with one interface.
template <class I, class... Bases> using Object = Implements<I, Bases...>;

#define NOT_USED(...)                                                                                        \
    HRESULT STDMETHODCALLTYPE __VA_ARGS__ override                                                           \
    {                                                                                                        \
        return E_NOTIMPL;                                                                                    \
    }

class Response final : public Object<ICoreWebView2WebResourceResponse> {
  public:
    ComPtr<IStream> content;
    int status = 0;
    std::wstring reason;
    std::wstring headers;

    HRESULT STDMETHODCALLTYPE get_Content(IStream** out) override
    {
        *out = content.get();
        if (*out)
            (*out)->AddRef();
        return S_OK;
    }
    NOT_USED(put_Content(IStream*))
    NOT_USED(get_Headers(IUnknown**))
    HRESULT STDMETHODCALLTYPE get_StatusCode(int* out) override
    {
        *out = status;
        return S_OK;
    }
    NOT_USED(put_StatusCode(int))
    HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* out) override
    {
        *out = taskString(reason);
        return S_OK;
    }
};

class Request final : public Object<ICoreWebView2WebResourceRequest> {
  public:
    std::wstring uri;
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* out) override
    {
        *out = taskString(uri);
        return S_OK;
    }
    NOT_USED(put_Uri(LPCWSTR))
    HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* out) override
    {
        *out = taskString(L"GET");
        return S_OK;
    }
};

class RequestArgs final : public Object<ICoreWebView2WebResourceRequestedEventArgs> {
  public:
    ComPtr<Request> request;
    ComPtr<ICoreWebView2WebResourceResponse> response;
    HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** out) override
    {
        request->AddRef();
        *out = request.get();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** out) override
    {
        *out = response.get();
        if (*out)
            (*out)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* r) override
    {
        if (r)
            r->AddRef();
        response.reset();
        if (r)
            *response.out() = r;
        return S_OK;
    }
};

class NavigationArgs final : public Object<ICoreWebView2NavigationStartingEventArgs> {
  public:
    std::wstring uri;
    BOOL user = FALSE;
    BOOL cancel = FALSE;
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* out) override
    {
        *out = taskString(uri);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* out) override
    {
        *out = user;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* out) override
    {
        *out = FALSE;
        return S_OK;
    }
    NOT_USED(get_RequestHeaders(IUnknown**))
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* out) override
    {
        *out = cancel;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL value) override
    {
        cancel = value;
        return S_OK;
    }
    UINT64 id = 0;
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* out) override
    {
        *out = id;
        return S_OK;
    }
};

// The end of a navigation as a runtime from 102 on reports it, with the HTTP status.
class CompletedArgs final
    : public Object<ICoreWebView2NavigationCompletedEventArgs2, ICoreWebView2NavigationCompletedEventArgs> {
  public:
    BOOL success = TRUE;
    COREWEBVIEW2_WEB_ERROR_STATUS error = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
    UINT64 id = 0;
    std::int32_t httpStatus = 200;
    HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* out) override
    {
        *out = success;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* out) override
    {
        *out = error;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* out) override
    {
        *out = id;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_HttpStatusCode(std::int32_t* out) override
    {
        *out = httpStatus;
        return S_OK;
    }
};

class NewWindowArgs final : public Object<ICoreWebView2NewWindowRequestedEventArgs> {
  public:
    std::wstring uri;
    BOOL user = FALSE;
    BOOL handled = FALSE;
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* out) override
    {
        *out = taskString(uri);
        return S_OK;
    }
    NOT_USED(put_NewWindow(ICoreWebView2*))
    NOT_USED(get_NewWindow(ICoreWebView2**))
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override
    {
        handled = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* out) override
    {
        *out = handled;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* out) override
    {
        *out = user;
        return S_OK;
    }
};

class Settings final : public Object<ICoreWebView2Settings> {
  public:
#define FAKE_SETTING(name)                                                                                   \
    HRESULT STDMETHODCALLTYPE get_##name(BOOL* out) override                                                 \
    {                                                                                                        \
        *out = TRUE;                                                                                         \
        return S_OK;                                                                                         \
    }                                                                                                        \
    HRESULT STDMETHODCALLTYPE put_##name(BOOL value) override                                                \
    {                                                                                                        \
        log(std::string("setting " #name "=") + (value ? "1" : "0"));                                        \
        return S_OK;                                                                                         \
    }
    FAKE_SETTING(IsScriptEnabled)
    FAKE_SETTING(IsWebMessageEnabled)
    FAKE_SETTING(AreDefaultScriptDialogsEnabled)
    FAKE_SETTING(IsStatusBarEnabled)
    FAKE_SETTING(AreDevToolsEnabled)
    FAKE_SETTING(AreDefaultContextMenusEnabled)
    FAKE_SETTING(AreHostObjectsAllowed)
    FAKE_SETTING(IsZoomControlEnabled)
    FAKE_SETTING(IsBuiltInErrorPageEnabled)
#undef FAKE_SETTING
};

std::string crcHex(unsigned long crc)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", crc);
    return text;
}

std::string headerValue(const std::string& headers, const std::string& name)
{
    std::size_t at = 0;
    while (at < headers.size()) {
        const std::size_t end = std::min(headers.find('\n', at), headers.size());
        const std::string line = headers.substr(at, end - at);
        if (line.rfind(name + ": ", 0) == 0)
            return line.substr(name.size() + 2);
        at = end + 1;
    }
    return "";
}

// The web view with all its later interfaces up to the one that brings ShowPrintUI; without
// PAGOLUX_FAKE_WEBVIEW2_NO_PRINT_UI it answers for that one, as a runtime from 109 on does.
class View final : public Object<ICoreWebView2_16, ICoreWebView2_15, ICoreWebView2_14, ICoreWebView2_13,
                                 ICoreWebView2_12, ICoreWebView2_11, ICoreWebView2_10, ICoreWebView2_9,
                                 ICoreWebView2_8, ICoreWebView2_7, ICoreWebView2_6, ICoreWebView2_5,
                                 ICoreWebView2_4, ICoreWebView2_3, ICoreWebView2_2, ICoreWebView2> {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_ICoreWebView2_16 && !env("PAGOLUX_FAKE_WEBVIEW2_NO_PRINT_UI").empty()) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return Implements::QueryInterface(riid, ppv);
    }

    HWND parent = nullptr;
    ComPtr<ICoreWebView2WebResourceRequestedEventHandler> onRequest;
    ComPtr<ICoreWebView2NavigationStartingEventHandler> onNavigation;
    ComPtr<ICoreWebView2NewWindowRequestedEventHandler> onNewWindow;
    ComPtr<ICoreWebView2HistoryChangedEventHandler> onHistory;
    ComPtr<ICoreWebView2NavigationCompletedEventHandler> onCompleted;
    bool scripted = false;
    UINT64 lastNavigation = 0;

    template <class H>
    HRESULT keep(ComPtr<H>& slot, H* handler, const char* name, EventRegistrationToken* token)
    {
        log(std::string("handler ") + name);
        if (handler)
            handler->AddRef();
        slot.reset();
        if (handler)
            *slot.out() = handler;
        token->value = 1;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** out) override
    {
        *out = new Settings();
        return S_OK;
    }
    NOT_USED(get_Source(LPWSTR*))
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override
    {
        const std::string url = narrowText(uri);
        log("navigate uri=" + url);
        if (!scripted) {
            scripted = true;
            AddRef();
            later([this, url] {
                runScript(url);
                Release();
            });
        }
        return S_OK;
    }
    NOT_USED(NavigateToString(LPCWSTR))
    HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* h,
                                                     EventRegistrationToken* t) override
    {
        return keep(onNavigation, h, "NavigationStarting", t);
    }
    NOT_USED(remove_NavigationStarting(EventRegistrationToken))
    NOT_USED(add_ContentLoading(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_ContentLoading(EventRegistrationToken))
    NOT_USED(add_SourceChanged(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_SourceChanged(EventRegistrationToken))
    HRESULT STDMETHODCALLTYPE add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* h,
                                                 EventRegistrationToken* t) override
    {
        return keep(onHistory, h, "HistoryChanged", t);
    }
    NOT_USED(remove_HistoryChanged(EventRegistrationToken))
    HRESULT STDMETHODCALLTYPE add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* h,
                                                      EventRegistrationToken* t) override
    {
        return keep(onCompleted, h, "NavigationCompleted", t);
    }
    NOT_USED(remove_NavigationCompleted(EventRegistrationToken))
    NOT_USED(add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler*,
                                         EventRegistrationToken*))
    NOT_USED(remove_FrameNavigationStarting(EventRegistrationToken))
    NOT_USED(add_FrameNavigationCompleted(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_FrameNavigationCompleted(EventRegistrationToken))
    NOT_USED(add_ScriptDialogOpening(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_ScriptDialogOpening(EventRegistrationToken))
    NOT_USED(add_PermissionRequested(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_PermissionRequested(EventRegistrationToken))
    NOT_USED(add_ProcessFailed(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_ProcessFailed(EventRegistrationToken))
    NOT_USED(AddScriptToExecuteOnDocumentCreated(LPCWSTR, IUnknown*))
    NOT_USED(RemoveScriptToExecuteOnDocumentCreated(LPCWSTR))
    HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR script,
                                            ICoreWebView2ExecuteScriptCompletedHandler* h) override
    {
        log("script " + narrowText(script));
        if (h)
            h->Invoke(S_OK, L"null");
        return S_OK;
    }
    NOT_USED(CapturePreview(std::int32_t, IStream*, IUnknown*))
    HRESULT STDMETHODCALLTYPE Reload() override
    {
        log("reload");
        return S_OK;
    }
    NOT_USED(PostWebMessageAsJson(LPCWSTR))
    NOT_USED(PostWebMessageAsString(LPCWSTR))
    NOT_USED(add_WebMessageReceived(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_WebMessageReceived(EventRegistrationToken))
    NOT_USED(CallDevToolsProtocolMethod(LPCWSTR, LPCWSTR, IUnknown*))
    NOT_USED(get_BrowserProcessId(UINT32*))
    HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* out) override
    {
        *out = TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* out) override
    {
        *out = FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GoBack() override
    {
        log("back");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GoForward() override
    {
        log("forward");
        return S_OK;
    }
    NOT_USED(GetDevToolsProtocolEventReceiver(LPCWSTR, IUnknown**))
    NOT_USED(Stop())
    HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* h,
                                                     EventRegistrationToken* t) override
    {
        return keep(onNewWindow, h, "NewWindowRequested", t);
    }
    NOT_USED(remove_NewWindowRequested(EventRegistrationToken))
    NOT_USED(add_DocumentTitleChanged(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_DocumentTitleChanged(EventRegistrationToken))
    NOT_USED(get_DocumentTitle(LPWSTR*))
    NOT_USED(AddHostObjectToScript(LPCWSTR, VARIANT*))
    NOT_USED(RemoveHostObjectFromScript(LPCWSTR))
    NOT_USED(OpenDevToolsWindow())
    NOT_USED(add_ContainsFullScreenElementChanged(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_ContainsFullScreenElementChanged(EventRegistrationToken))
    NOT_USED(get_ContainsFullScreenElement(BOOL*))
    HRESULT STDMETHODCALLTYPE add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* h,
                                                       EventRegistrationToken* t) override
    {
        return keep(onRequest, h, "WebResourceRequested", t);
    }
    NOT_USED(remove_WebResourceRequested(EventRegistrationToken))
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR uri,
                                                            COREWEBVIEW2_WEB_RESOURCE_CONTEXT c) override
    {
        log("filter uri=" + narrowText(uri) + " context=" + std::to_string(static_cast<int>(c)));
        return S_OK;
    }
    NOT_USED(RemoveWebResourceRequestedFilter(LPCWSTR, COREWEBVIEW2_WEB_RESOURCE_CONTEXT))
    NOT_USED(add_WindowCloseRequested(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_WindowCloseRequested(EventRegistrationToken))
    NOT_USED(add_WebResourceResponseReceived(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_WebResourceResponseReceived(EventRegistrationToken))
    NOT_USED(NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest*))
    NOT_USED(add_DOMContentLoaded(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_DOMContentLoaded(EventRegistrationToken))
    NOT_USED(get_CookieManager(IUnknown**))
    NOT_USED(get_Environment(ICoreWebView2Environment**))
    NOT_USED(TrySuspend(IUnknown*))
    NOT_USED(Resume())
    NOT_USED(get_IsSuspended(BOOL*))
    NOT_USED(SetVirtualHostNameToFolderMapping(LPCWSTR, LPCWSTR, std::int32_t))
    NOT_USED(ClearVirtualHostNameToFolderMapping(LPCWSTR))
    NOT_USED(add_FrameCreated(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_FrameCreated(EventRegistrationToken))
    NOT_USED(add_DownloadStarting(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_DownloadStarting(EventRegistrationToken))
    NOT_USED(add_ClientCertificateRequested(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_ClientCertificateRequested(EventRegistrationToken))
    NOT_USED(OpenTaskManagerWindow())
    NOT_USED(PrintToPdf(LPCWSTR, IUnknown*, IUnknown*))
    NOT_USED(add_IsMutedChanged(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_IsMutedChanged(EventRegistrationToken))
    NOT_USED(get_IsMuted(BOOL*))
    NOT_USED(put_IsMuted(BOOL))
    NOT_USED(add_IsDocumentPlayingAudioChanged(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_IsDocumentPlayingAudioChanged(EventRegistrationToken))
    NOT_USED(get_IsDocumentPlayingAudio(BOOL*))
    NOT_USED(add_IsDefaultDownloadDialogOpenChanged(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_IsDefaultDownloadDialogOpenChanged(EventRegistrationToken))
    NOT_USED(get_IsDefaultDownloadDialogOpen(BOOL*))
    NOT_USED(OpenDefaultDownloadDialog())
    NOT_USED(CloseDefaultDownloadDialog())
    NOT_USED(get_DefaultDownloadDialogCornerAlignment(std::int32_t*))
    NOT_USED(put_DefaultDownloadDialogCornerAlignment(std::int32_t))
    NOT_USED(get_DefaultDownloadDialogMargin(POINT*))
    NOT_USED(put_DefaultDownloadDialogMargin(POINT))
    NOT_USED(add_BasicAuthenticationRequested(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_BasicAuthenticationRequested(EventRegistrationToken))
    NOT_USED(CallDevToolsProtocolMethodForSession(LPCWSTR, LPCWSTR, LPCWSTR, IUnknown*))
    NOT_USED(add_ContextMenuRequested(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_ContextMenuRequested(EventRegistrationToken))
    NOT_USED(add_StatusBarTextChanged(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_StatusBarTextChanged(EventRegistrationToken))
    NOT_USED(get_StatusBarText(LPWSTR*))
    NOT_USED(get_Profile(IUnknown**))
    NOT_USED(add_ServerCertificateErrorDetected(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_ServerCertificateErrorDetected(EventRegistrationToken))
    NOT_USED(ClearServerCertificateErrorActions(IUnknown*))
    NOT_USED(add_FaviconChanged(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_FaviconChanged(EventRegistrationToken))
    NOT_USED(get_FaviconUri(LPWSTR*))
    NOT_USED(GetFavicon(std::int32_t, IUnknown*))
    NOT_USED(Print(IUnknown*, IUnknown*))
    HRESULT STDMETHODCALLTYPE ShowPrintUI(COREWEBVIEW2_PRINT_DIALOG_KIND kind) override
    {
        log("printui kind=" + std::to_string(static_cast<int>(kind)));
        return S_OK;
    }

    void request(const std::string& url)
    {
        auto* args = new RequestArgs();
        *args->request.out() = new Request();
        args->request->uri = wideText(url);
        if (onRequest)
            onRequest->Invoke(this, args);
        auto* r = static_cast<Response*>(args->response.get());
        std::string line = "request uri=" + url;
        if (!r) {
            log(line + " unanswered");
            args->Release();
            return;
        }
        std::vector<unsigned char> buffer(65536);
        unsigned long crc = crc32(0L, Z_NULL, 0);
        unsigned long long total = 0;
        if (r->content) {
            for (;;) {
                ULONG got = 0;
                const HRESULT hr = r->content->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &got);
                crc = crc32(crc, buffer.data(), got);
                total += got;
                if (FAILED(hr) || got == 0)
                    break;
            }
        }
        const std::string headers = narrowText(r->headers.c_str());
        std::string reason = narrowText(r->reason.c_str());
        for (char& c : reason)
            if (c == ' ')
                c = '+';
        log(line + " status=" + std::to_string(r->status) + " reason=" + reason + " type=" +
            headerValue(headers, "Content-Type") + " length=" + headerValue(headers, "Content-Length") +
            " location=" + headerValue(headers, "Location") + " bytes=" + std::to_string(total) +
            " crc=" + crcHex(crc));
        args->Release();
    }

    void runScript(const std::string& start)
    {
        // The first navigation, as the engine would announce it.
        navigation(start, "user");
        for (const std::string& url : words(env("PAGOLUX_FAKE_WEBVIEW2_REQUESTS")))
            request(url);
        for (const std::string& entry : words(env("PAGOLUX_FAKE_WEBVIEW2_NAVIGATIONS")))
            navigation(entry.substr(entry.find(':') + 1), entry.substr(0, entry.find(':')));
        for (const std::string& entry : words(env("PAGOLUX_FAKE_WEBVIEW2_NEWWINDOWS")))
            newWindow(entry.substr(entry.find(':') + 1), entry.rfind("user:", 0) == 0);
        if (onHistory)
            onHistory->Invoke(this, nullptr);
        for (const std::string& text : words(env("PAGOLUX_FAKE_WEBVIEW2_CLICK")))
            click(text);
        log("done");
        if (env("PAGOLUX_FAKE_WEBVIEW2_STAY").empty())
            PostMessageW(parent, WM_CLOSE, 0, 0);
    }

    // Clicks the button of the window's toolbar that carries text.
    void click(const std::string& text)
    {
        HWND bar = FindWindowExW(parent, nullptr, TOOLBARCLASSNAMEW, nullptr);
        const auto count = bar ? static_cast<int>(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0)) : 0;
        for (int i = 0; i < count; ++i) {
            TBBUTTON button{};
            SendMessageW(bar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
            wchar_t caption[64] = {};
            SendMessageW(bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(button.idCommand),
                         reinterpret_cast<LPARAM>(caption));
            if (narrowText(caption) == text) {
                log("click " + text);
                SendMessageW(parent, WM_COMMAND, MAKEWPARAM(button.idCommand, BN_CLICKED),
                             reinterpret_cast<LPARAM>(bar));
                return;
            }
        }
        log("no button " + text);
    }

    // One navigation: started by the user or a script; "fail" and "missing" end in a network
    // error or a 404. A navigation the viewer cancels ends as cancelled, as with the runtime.
    void navigation(const std::string& url, const std::string& kind)
    {
        const bool user = kind == "user";
        auto* args = new NavigationArgs();
        args->uri = wideText(url);
        args->user = user;
        args->id = ++lastNavigation;
        if (onNavigation)
            onNavigation->Invoke(this, args);
        log("navigation uri=" + url + " user=" + (user ? "1" : "0") +
            " cancel=" + (args->cancel ? "1" : "0"));
        log("status after=starting uri=" + url + " text=" + statusText(parent));
        auto* done = new CompletedArgs();
        done->id = args->id;
        if (args->cancel) {
            done->success = FALSE;
            done->error = COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED;
            done->httpStatus = 0;
        } else if (kind == "fail") {
            done->success = FALSE;
            done->error = COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED;
            done->httpStatus = 0;
        } else if (kind == "missing") {
            done->success = FALSE;
            done->httpStatus = 404;
        }
        if (onCompleted)
            onCompleted->Invoke(this, done);
        log("status after=completed uri=" + url + " text=" + statusText(parent));
        done->Release();
        args->Release();
    }

    void newWindow(const std::string& url, bool user)
    {
        auto* args = new NewWindowArgs();
        args->uri = wideText(url);
        args->user = user;
        if (onNewWindow)
            onNewWindow->Invoke(this, args);
        log("newwindow uri=" + url + " user=" + (user ? "1" : "0") +
            " handled=" + (args->handled ? "1" : "0"));
        args->Release();
    }
};

class Controller final : public Object<ICoreWebView2Controller> {
  public:
    ComPtr<View> view;
    HWND page = nullptr;
    NOT_USED(get_IsVisible(BOOL*))
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL value) override
    {
        log(std::string("visible=") + (value ? "1" : "0"));
        return S_OK;
    }
    NOT_USED(get_Bounds(RECT*))
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT r) override
    {
        // The RECT travels by value; its four fields must arrive intact.
        if (r.right < r.left || r.bottom < r.top)
            log("bounds invalid");
        else if (page)
            SetWindowPos(page, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
        return S_OK;
    }
    NOT_USED(get_ZoomFactor(double*))
    NOT_USED(put_ZoomFactor(double))
    NOT_USED(add_ZoomFactorChanged(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_ZoomFactorChanged(EventRegistrationToken))
    NOT_USED(SetBoundsAndZoomFactor(RECT, double))
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override
    {
        log("movefocus reason=" + std::to_string(static_cast<int>(reason)));
        // The page's thread takes the focus itself, as the runtime's process does.
        if (page)
            PostMessageW(page, kTakeFocus, 0, 0);
        return S_OK;
    }
    NOT_USED(add_MoveFocusRequested(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_MoveFocusRequested(EventRegistrationToken))
    NOT_USED(add_GotFocus(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_GotFocus(EventRegistrationToken))
    NOT_USED(add_LostFocus(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_LostFocus(EventRegistrationToken))
    NOT_USED(add_AcceleratorKeyPressed(IUnknown*, EventRegistrationToken*))
    NOT_USED(remove_AcceleratorKeyPressed(EventRegistrationToken))
    NOT_USED(get_ParentWindow(HWND*))
    NOT_USED(put_ParentWindow(HWND))
    NOT_USED(NotifyParentWindowPositionChanged())
    HRESULT STDMETHODCALLTYPE Close() override
    {
        log("close");
        if (page && IsWindow(page))
            PostMessageW(page, WM_CLOSE, 0, 0);
        page = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** out) override
    {
        view->AddRef();
        *out = view.get();
        return S_OK;
    }
};

class Environment final : public Object<ICoreWebView2Environment> {
  public:
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override
    {
        log("controller");
        const std::string fail = env("PAGOLUX_FAKE_WEBVIEW2_FAIL");
        if (fail == "silent-controller")
            return S_OK;
        handler->AddRef();
        later([handler, parent, fail] {
            if (fail == "controller") {
                handler->Invoke(E_FAIL, nullptr);
            } else {
                auto* c = new Controller();
                *c->view.out() = new View();
                c->view->parent = parent;
                c->page = startPage(parent);
                handler->Invoke(S_OK, c);
                c->Release();
            }
            handler->Release();
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int status, LPCWSTR reason,
                                                        LPCWSTR headers,
                                                        ICoreWebView2WebResourceResponse** out) override
    {
        auto* r = new Response();
        if (content) {
            content->AddRef();
            *r->content.out() = content;
        }
        r->status = status;
        r->reason = reason ? reason : L"";
        r->headers = headers ? headers : L"";
        *out = r;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* out) override
    {
        *out = taskString(L"120.0.2210.91");
        return S_OK;
    }
};

} // namespace

#ifndef FAKE_WITHOUT_EXPORT
extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE CreateWebViewEnvironmentWithOptionsInternal(
    bool flag, std::int32_t runtimeType, LPCWSTR userDataFolder, IUnknown*,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler)
{
    log(std::string("create flag=") + (flag ? "1" : "0") + " type=" + std::to_string(runtimeType) +
        " userData=" + narrowText(userDataFolder));
    const std::string fail = env("PAGOLUX_FAKE_WEBVIEW2_FAIL");
    if (fail == "silent-environment")
        return S_OK;
    handler->AddRef();
    later([handler, fail] {
        if (fail == "environment") {
            handler->Invoke(E_FAIL, nullptr);
        } else {
            auto* e = new Environment();
            handler->Invoke(S_OK, e);
            e->Release();
        }
        handler->Release();
    });
    return S_OK;
}
#endif
