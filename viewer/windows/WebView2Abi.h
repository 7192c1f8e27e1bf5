#pragma once
// The Edge WebView2 COM interfaces the Windows viewer calls or implements, declared by hand for
// mingw-w64 (which ships no WebView2 header). Each interface lists every method of its vtable
// from the first up to the last one the viewer uses, in vtable order: the slot of a method is
// its position, so a missing or swapped line moves every later call to the wrong function.
// tests/viewer/windows/WebView2AbiTest.cpp reads this file and checks each IID and each slot
// against the committed facts table beside it.
//
// Conventions of the binary interface: every method is __stdcall and returns HRESULT; BOOL and
// the enums are 32 bits; out strings are CoTaskMemAlloc'ed by the callee and freed by the
// caller with CoTaskMemFree; in strings are borrowed for the call; out interface pointers come
// AddRef'ed; an EventRegistrationToken goes out through a pointer and comes back by value.
// Interface pointers of types the viewer never touches are declared as IUnknown* (the same
// pointer-sized argument).

#include <eventtoken.h>
#include <objidl.h>
#include <unknwn.h>
#include <windows.h>

#include <cstdint>

namespace pagolux::wv2 {

// Maps an interface to its IID for QueryInterface helpers.
template <class I> struct IidOf;

// Declares IID_<name> and IidOf<name> from the IID's numbers in registry order.
#define PAGOLUX_WV2_IID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                                     \
    inline constexpr GUID IID_##name{l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}};                           \
    template <> struct IidOf<name> {                                                                         \
        static const GUID& value() { return IID_##name; }                                                    \
    };

enum COREWEBVIEW2_WEB_RESOURCE_CONTEXT : std::int32_t {
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL = 0,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT = 1,
};

// Why a navigation failed; only the values the viewer tells apart are named.
enum COREWEBVIEW2_WEB_ERROR_STATUS : std::int32_t {
    COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN = 0,
    COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED = 13,
    COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED = 14,
};

enum COREWEBVIEW2_PRINT_DIALOG_KIND : std::int32_t {
    COREWEBVIEW2_PRINT_DIALOG_KIND_BROWSER = 0, // the engine's print preview
    COREWEBVIEW2_PRINT_DIALOG_KIND_SYSTEM = 1,
};

enum COREWEBVIEW2_MOVE_FOCUS_REASON : std::int32_t {
    COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0,
    COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT = 1,
    COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS = 2,
};

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct ICoreWebView2Settings;
struct ICoreWebView2WebResourceRequest;
struct ICoreWebView2WebResourceResponse;
struct ICoreWebView2WebResourceRequestedEventArgs;
struct ICoreWebView2NavigationStartingEventArgs;
struct ICoreWebView2NavigationCompletedEventArgs;
struct ICoreWebView2NewWindowRequestedEventArgs;
struct ICoreWebView2Deferral;

// --- handlers the viewer implements -----------------------------------------------------------

struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Environment* result) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, 0x4e8a3389, 0xc9d8, 0x4bd2, 0xb6,
                0xb5, 0x12, 0x4f, 0xee, 0x6c, 0xc1, 0x4d)

struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Controller* result) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, 0x6c4819f3, 0xc9b7, 0x4260, 0x81,
                0x27, 0xc9, 0xf5, 0xbd, 0xe7, 0xf6, 0x8c)

struct ICoreWebView2WebResourceRequestedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2WebResourceRequestedEventArgs* args) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2WebResourceRequestedEventHandler, 0xab00b74c, 0x15f1, 0x4646, 0x80, 0xe8, 0xe7,
                0x63, 0x41, 0xd2, 0x5d, 0x71)

struct ICoreWebView2NavigationStartingEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NavigationStartingEventArgs* args) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2NavigationStartingEventHandler, 0x9adbe429, 0xf36d, 0x432b, 0x9d, 0xdc, 0xf8,
                0x88, 0x1f, 0xbd, 0x76, 0xe3)

struct ICoreWebView2NavigationCompletedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NavigationCompletedEventArgs* args) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2NavigationCompletedEventHandler, 0xd33a35bf, 0x1c49, 0x4f98, 0x93, 0xab, 0x00,
                0x6e, 0x05, 0x33, 0xfe, 0x1c)

struct ICoreWebView2NewWindowRequestedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NewWindowRequestedEventArgs* args) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2NewWindowRequestedEventHandler, 0xd4c185fe, 0xc81c, 0x4989, 0x97, 0xaf, 0x2d,
                0x3f, 0xa7, 0xab, 0x56, 0x51)

// The second argument carries no data.
struct ICoreWebView2HistoryChangedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2HistoryChangedEventHandler, 0xc79a420c, 0xefd9, 0x4058, 0x92, 0x95, 0x3e, 0x8b,
                0x4b, 0xca, 0xb6, 0x45)

// The result is JSON text, borrowed for the call.
struct ICoreWebView2ExecuteScriptCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR resultJson) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2ExecuteScriptCompletedHandler, 0x49511172, 0xcc67, 0x4bca, 0x99, 0x23, 0x13,
                0x71, 0x12, 0xf4, 0xc4, 0xcc)

// --- objects of the runtime -------------------------------------------------------------------

struct ICoreWebView2Environment : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
    // content may be null; headers is a raw header block, one "Name: value" per line.
    virtual HRESULT STDMETHODCALLTYPE
    CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
                              ICoreWebView2WebResourceResponse** response) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2Environment, 0xb96d755e, 0x0319, 0x4e92, 0xa2, 0x96, 0x23, 0x43, 0x6f, 0x46,
                0xa1, 0xfc)

struct ICoreWebView2Controller : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(IUnknown* handler,
                                                            EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(IUnknown* handler,
                                                             EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_GotFocus(IUnknown* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_LostFocus(IUnknown* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(IUnknown* handler,
                                                                EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2Controller, 0x4d00c0d1, 0x9434, 0x4eb6, 0x80, 0x78, 0x86, 0x97, 0xa5, 0x60, 0x33,
                0x4f)

struct ICoreWebView2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(
        ICoreWebView2NavigationStartingEventHandler* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_ContentLoading(IUnknown* handler,
                                                         EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_SourceChanged(IUnknown* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* handler,
                                                         EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_NavigationCompleted(
        ICoreWebView2NavigationCompletedEventHandler* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(
        ICoreWebView2NavigationStartingEventHandler* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationCompleted(IUnknown* handler,
                                                                   EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_FrameNavigationCompleted(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(IUnknown* handler,
                                                              EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_PermissionRequested(IUnknown* handler,
                                                              EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_ProcessFailed(IUnknown* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(LPCWSTR javaScript,
                                                                          IUnknown* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR javaScript,
                                                    ICoreWebView2ExecuteScriptCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE CapturePreview(std::int32_t imageFormat, IStream* imageStream,
                                                     IUnknown* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reload() = 0;
    virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) = 0;
    virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(IUnknown* handler,
                                                             EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(LPCWSTR methodName, LPCWSTR parametersAsJson,
                                                                 IUnknown* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* canGoBack) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* canGoForward) = 0;
    virtual HRESULT STDMETHODCALLTYPE GoBack() = 0;
    virtual HRESULT STDMETHODCALLTYPE GoForward() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(LPCWSTR eventName,
                                                                       IUnknown** receiver) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(
        ICoreWebView2NewWindowRequestedEventHandler* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(IUnknown* handler,
                                                               EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name, VARIANT* object) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() = 0;
    virtual HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(IUnknown* handler,
                                                                           EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    remove_ContainsFullScreenElementChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* containsFullScreenElement) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_WebResourceRequested(
        ICoreWebView2WebResourceRequestedEventHandler* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken token) = 0;
    // uri is a pattern over the whole URI with * and ?.
    virtual HRESULT STDMETHODCALLTYPE
    AddWebResourceRequestedFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) = 0;
    // The rest of the interface, which the later interfaces below build on.
    virtual HRESULT STDMETHODCALLTYPE
    RemoveWebResourceRequestedFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_WindowCloseRequested(IUnknown* handler,
                                                               EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken token) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2, 0x76eceacb, 0x0462, 0x4d94, 0xac, 0x83, 0x42, 0x3a, 0x67, 0x93, 0x77, 0x5e)

// The web view's later interfaces, each adding to the one before: the viewer calls only
// ICoreWebView2_16's ShowPrintUI (runtimes from 109 on), so every method of the chain up to
// that one is declared, the later ones not.
struct ICoreWebView2_2 : ICoreWebView2 {
    virtual HRESULT STDMETHODCALLTYPE add_WebResourceResponseReceived(IUnknown* handler,
                                                                      EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_WebResourceResponseReceived(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest* request) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_DOMContentLoaded(IUnknown* handler,
                                                           EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_DOMContentLoaded(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CookieManager(IUnknown** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Environment(ICoreWebView2Environment** environment) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_2, 0x9e8f0cf8, 0xe670, 0x4b5e, 0xb2, 0xbc, 0x73, 0xe0, 0x61, 0xe3, 0x18, 0x4c)

struct ICoreWebView2_3 : ICoreWebView2_2 {
    virtual HRESULT STDMETHODCALLTYPE TrySuspend(IUnknown* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE Resume() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsSuspended(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVirtualHostNameToFolderMapping(LPCWSTR hostName, LPCWSTR folderPath,
                                                                        std::int32_t accessKind) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearVirtualHostNameToFolderMapping(LPCWSTR text) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_3, 0xa0d6df20, 0x3b92, 0x416d, 0xaa, 0x0c, 0x43, 0x7a, 0x9c, 0x72, 0x78, 0x57)

struct ICoreWebView2_4 : ICoreWebView2_3 {
    virtual HRESULT STDMETHODCALLTYPE add_FrameCreated(IUnknown* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_FrameCreated(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_DownloadStarting(IUnknown* handler,
                                                           EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_DownloadStarting(EventRegistrationToken token) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_4, 0x20d02d59, 0x6df2, 0x42dc, 0xbd, 0x06, 0xf9, 0x8a, 0x69, 0x4b, 0x13, 0x02)

struct ICoreWebView2_5 : ICoreWebView2_4 {
    virtual HRESULT STDMETHODCALLTYPE add_ClientCertificateRequested(IUnknown* handler,
                                                                     EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ClientCertificateRequested(EventRegistrationToken token) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_5, 0xbedb11b8, 0xd63c, 0x11eb, 0xb8, 0xbc, 0x02, 0x42, 0xac, 0x13, 0x00, 0x03)

struct ICoreWebView2_6 : ICoreWebView2_5 {
    virtual HRESULT STDMETHODCALLTYPE OpenTaskManagerWindow() = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_6, 0x499aadac, 0xd92c, 0x4589, 0x8a, 0x75, 0x11, 0x1b, 0xfc, 0x16, 0x77, 0x95)

struct ICoreWebView2_7 : ICoreWebView2_6 {
    virtual HRESULT STDMETHODCALLTYPE PrintToPdf(LPCWSTR resultFilePath, IUnknown* printSettings,
                                                 IUnknown* handler) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_7, 0x79c24d83, 0x09a3, 0x45ae, 0x94, 0x18, 0x48, 0x7f, 0x32, 0xa5, 0x87, 0x40)

struct ICoreWebView2_8 : ICoreWebView2_7 {
    virtual HRESULT STDMETHODCALLTYPE add_IsMutedChanged(IUnknown* handler,
                                                         EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_IsMutedChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsMuted(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsMuted(BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_IsDocumentPlayingAudioChanged(IUnknown* handler,
                                                                        EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_IsDocumentPlayingAudioChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsDocumentPlayingAudio(BOOL* value) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_8, 0xe9632730, 0x6e1e, 0x43ab, 0xb7, 0xb8, 0x7b, 0x2c, 0x9e, 0x62, 0xe0, 0x94)

struct ICoreWebView2_9 : ICoreWebView2_8 {
    virtual HRESULT STDMETHODCALLTYPE
    add_IsDefaultDownloadDialogOpenChanged(IUnknown* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    remove_IsDefaultDownloadDialogOpenChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsDefaultDownloadDialogOpen(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenDefaultDownloadDialog() = 0;
    virtual HRESULT STDMETHODCALLTYPE CloseDefaultDownloadDialog() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DefaultDownloadDialogCornerAlignment(std::int32_t* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DefaultDownloadDialogCornerAlignment(std::int32_t value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DefaultDownloadDialogMargin(POINT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DefaultDownloadDialogMargin(POINT value) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_9, 0x4d7b2eab, 0x9fdc, 0x468d, 0xb9, 0x98, 0xa9, 0x26, 0x0b, 0x5e, 0xd6, 0x51)

struct ICoreWebView2_10 : ICoreWebView2_9 {
    virtual HRESULT STDMETHODCALLTYPE add_BasicAuthenticationRequested(IUnknown* handler,
                                                                       EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_BasicAuthenticationRequested(EventRegistrationToken token) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_10, 0xb1690564, 0x6f5a, 0x4983, 0x8e, 0x48, 0x31, 0xd1, 0x14, 0x3f, 0xec, 0xdb)

struct ICoreWebView2_11 : ICoreWebView2_10 {
    virtual HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethodForSession(LPCWSTR sessionId,
                                                                           LPCWSTR methodName,
                                                                           LPCWSTR parametersAsJson,
                                                                           IUnknown* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_ContextMenuRequested(IUnknown* handler,
                                                               EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ContextMenuRequested(EventRegistrationToken token) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_11, 0x0be78e56, 0xc193, 0x4051, 0xb9, 0x43, 0x23, 0xb4, 0x60, 0xc0, 0x8b, 0xdb)

struct ICoreWebView2_12 : ICoreWebView2_11 {
    virtual HRESULT STDMETHODCALLTYPE add_StatusBarTextChanged(IUnknown* handler,
                                                               EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_StatusBarTextChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StatusBarText(LPWSTR* value) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_12, 0x35d69927, 0xbcfa, 0x4566, 0x93, 0x49, 0x6b, 0x3e, 0x0d, 0x15, 0x4c, 0xac)

struct ICoreWebView2_13 : ICoreWebView2_12 {
    virtual HRESULT STDMETHODCALLTYPE get_Profile(IUnknown** value) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_13, 0xf75f09a8, 0x667e, 0x4983, 0x88, 0xd6, 0xc8, 0x77, 0x3f, 0x31, 0x5e, 0x84)

struct ICoreWebView2_14 : ICoreWebView2_13 {
    virtual HRESULT STDMETHODCALLTYPE add_ServerCertificateErrorDetected(IUnknown* handler,
                                                                         EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ServerCertificateErrorDetected(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearServerCertificateErrorActions(IUnknown* handler) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_14, 0x6daa4f10, 0x4a90, 0x4753, 0x88, 0x98, 0x77, 0xc5, 0xdf, 0x53, 0x41, 0x65)

struct ICoreWebView2_15 : ICoreWebView2_14 {
    virtual HRESULT STDMETHODCALLTYPE add_FaviconChanged(IUnknown* handler,
                                                         EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_FaviconChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FaviconUri(LPWSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFavicon(std::int32_t format, IUnknown* handler) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_15, 0x517b2d1d, 0x7dae, 0x4a66, 0xa4, 0xf4, 0x10, 0x35, 0x2f, 0xfb, 0x95, 0x18)

struct ICoreWebView2_16 : ICoreWebView2_15 {
    virtual HRESULT STDMETHODCALLTYPE Print(IUnknown* printSettings, IUnknown* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowPrintUI(COREWEBVIEW2_PRINT_DIALOG_KIND kind) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2_16, 0x0eb34dc9, 0x9f91, 0x41e1, 0x86, 0x39, 0x95, 0xcd, 0x59, 0x43, 0x90, 0x6b)

struct ICoreWebView2Settings : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL value) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2Settings, 0xe562e4f0, 0xd7fa, 0x43ac, 0x8d, 0x71, 0xc0, 0x51, 0x50, 0x49, 0x9f,
                0x00)

struct ICoreWebView2WebResourceRequestedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2WebResourceRequestedEventArgs, 0x453e667f, 0x12c7, 0x49d4, 0xbe, 0x6d, 0xdd,
                0xbe, 0x79, 0x56, 0xf5, 0x7a)

struct ICoreWebView2WebResourceRequest : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2WebResourceRequest, 0x97055cd4, 0x512c, 0x4264, 0x8b, 0x5f, 0xe3, 0xf4, 0x46,
                0xce, 0xa6, 0xa5)

struct ICoreWebView2WebResourceResponse : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Content(IStream** content) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Content(IStream* content) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Headers(IUnknown** headers) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StatusCode(int* statusCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_StatusCode(int statusCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reasonPhrase) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2WebResourceResponse, 0xaafcc94f, 0xfa27, 0x48fd, 0x97, 0xdf, 0x83, 0x0e, 0xf7,
                0x5a, 0xae, 0xc9)

struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* isRedirected) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RequestHeaders(IUnknown** requestHeaders) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;
    // The same number comes with the navigation's end.
    virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2NavigationStartingEventArgs, 0x5b495469, 0xe119, 0x438a, 0x9b, 0x18, 0x76, 0x04,
                0xf2, 0x5f, 0x2e, 0x49)

struct ICoreWebView2NavigationCompletedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* isSuccess) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2NavigationCompletedEventArgs, 0x30d68b7d, 0x20d9, 0x4752, 0xa9, 0xca, 0xec, 0x84,
                0x48, 0xfb, 0xb5, 0xc1)

// Runtimes from 102 on: the answer's HTTP status as well.
struct ICoreWebView2NavigationCompletedEventArgs2 : ICoreWebView2NavigationCompletedEventArgs {
    virtual HRESULT STDMETHODCALLTYPE get_HttpStatusCode(std::int32_t* statusCode) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2NavigationCompletedEventArgs2, 0xfdf8b738, 0xee1e, 0x4db2, 0xa3, 0x29, 0x8d,
                0x7d, 0x7b, 0x74, 0xd7, 0x92)

// Here put_NewWindow comes before get_NewWindow, and put_Handled before get_Handled.
struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;
};
PAGOLUX_WV2_IID(ICoreWebView2NewWindowRequestedEventArgs, 0x34acb11c, 0xfc37, 0x4418, 0x91, 0x32, 0xf9, 0xc2,
                0x1d, 0x1e, 0xaf, 0xb9)

// The runtime's creation function in EmbeddedBrowserWebView.dll. runtimeType: 0 for an
// installed (Evergreen) runtime, 1 for a folder named by the program or the environment.
// options may be null.
using CreateEnvironmentFunction = HRESULT(STDMETHODCALLTYPE*)(
    bool flag, std::int32_t runtimeType, LPCWSTR userDataFolder, IUnknown* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);
inline constexpr char kCreateEnvironmentExport[] = "CreateWebViewEnvironmentWithOptionsInternal";

#undef PAGOLUX_WV2_IID

} // namespace pagolux::wv2
