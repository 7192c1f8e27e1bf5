#include "viewer/windows/BrowserHost.h"

#include "viewer/windows/ComBase.h"
#include "viewer/windows/ProtocolRequest.h"
#include "viewer/windows/UserTarget.h"
#include "viewer/windows/WinText.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <mshtml.h>
#include <ole2.h>
#include <urlmon.h>

#include <cstring>
#include <cwctype>
#include <memory>
#include <optional>
#include <string>

namespace pagolux::win {
namespace {

bool startsWithNoCase(const std::wstring& s, const wchar_t* prefix)
{
    std::size_t i = 0;
    for (; prefix[i] != L'\0'; ++i)
        if (i >= s.size() || std::towlower(s[i]) != std::towlower(prefix[i]))
            return false;
    return true;
}

template <class T> ComPtr<T> queryAs(IUnknown* from)
{
    ComPtr<T> to;
    if (from)
        from->QueryInterface(__uuidof(T), reinterpret_cast<void**>(to.out()));
    return to;
}

// Takes a BSTR the callee allocated and frees it.
std::wstring takeString(BSTR text)
{
    std::wstring out = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return out;
}

std::wstring tagOf(IHTMLElement* element)
{
    BSTR tag = nullptr;
    element->get_tagName(&tag);
    return takeString(tag);
}

// An attribute's text as the page wrote it, empty when it is missing.
std::wstring attributeOf(IHTMLElement* element, const wchar_t* name)
{
    BSTR n = SysAllocString(name);
    VARIANT value;
    VariantInit(&value);
    std::wstring out;
    if (SUCCEEDED(element->getAttribute(n, 0, &value)) && value.vt == VT_BSTR && value.bstrVal)
        out = value.bstrVal;
    VariantClear(&value);
    SysFreeString(n);
    return out;
}

ComPtr<IHTMLDocument2> frameDocument(IHTMLElement* frame)
{
    auto base = queryAs<IHTMLFrameBase2>(frame);
    ComPtr<IHTMLWindow2> window;
    ComPtr<IHTMLDocument2> document;
    // A frame of another origin refuses its document: nothing is found in it.
    if (base && SUCCEEDED(base->get_contentWindow(window.out())) && window)
        window->get_document(document.out());
    return document;
}

bool isFrame(const std::wstring& tag)
{
    return _wcsicmp(tag.c_str(), L"IFRAME") == 0 || _wcsicmp(tag.c_str(), L"FRAME") == 0;
}

// Frames inside frames are followed this deep at most.
constexpr int kMaxFrameDepth = 8;

// Finds an element with find in the document and, while what it found is a frame, in that
// frame's document; base receives the address of the document that holds the element.
template <class Find>
ComPtr<IHTMLElement> findThroughFrames(ComPtr<IHTMLDocument2> document, std::wstring& base, Find find)
{
    ComPtr<IHTMLElement> element;
    for (int depth = 0; document && depth <= kMaxFrameDepth; ++depth) {
        BSTR url = nullptr;
        document->get_URL(&url);
        base = takeString(url);
        element = find(document.get());
        if (!element || !isFrame(tagOf(element.get())))
            break;
        document = frameDocument(element.get());
    }
    return element;
}

// The element under a point of the document window (client pixels), in frames too.
ComPtr<IHTMLElement> elementAt(ComPtr<IHTMLDocument2> document, POINT point, std::wstring& base)
{
    // The document counts in CSS pixels, the window in device pixels: the engine's DPI
    // scaling and zoom lie between them.
    ComPtr<IHTMLWindow2> window;
    ComPtr<IHTMLScreen> screen;
    if (SUCCEEDED(document->get_parentWindow(window.out())) && window &&
        SUCCEEDED(window->get_screen(screen.out())))
        if (auto screen2 = queryAs<IHTMLScreen2>(screen.get())) {
            long device = 0, logical = 0;
            if (SUCCEEDED(screen2->get_deviceXDPI(&device)) &&
                SUCCEEDED(screen2->get_logicalXDPI(&logical)) && device > 0 && logical > 0) {
                point.x = MulDiv(point.x, logical, device);
                point.y = MulDiv(point.y, logical, device);
            }
        }
    return findThroughFrames(std::move(document), base, [&point](IHTMLDocument2* in) {
        ComPtr<IHTMLElement> element;
        in->elementFromPoint(point.x, point.y, element.out());
        // In a frame's document the point is less the frame's place and its border.
        auto box = queryAs<IHTMLElement2>(element.get());
        ComPtr<IHTMLRect> rect;
        if (box && isFrame(tagOf(element.get())) && SUCCEEDED(box->getBoundingClientRect(rect.out())) &&
            rect) {
            long left = 0, top = 0, borderLeft = 0, borderTop = 0;
            rect->get_left(&left);
            rect->get_top(&top);
            box->get_clientLeft(&borderLeft);
            box->get_clientTop(&borderTop);
            point.x -= left + borderLeft;
            point.y -= top + borderTop;
        }
        return element;
    });
}

// The element that has the keyboard focus, in frames too.
ComPtr<IHTMLElement> focusedElement(ComPtr<IHTMLDocument2> document, std::wstring& base)
{
    return findThroughFrames(std::move(document), base, [](IHTMLDocument2* in) {
        ComPtr<IHTMLElement> element;
        in->get_activeElement(element.out());
        return element;
    });
}

// An element of the engine's document as the rule for the user's acts reads it.
class HtmlElement final : public PageElement {
  public:
    explicit HtmlElement(ComPtr<IHTMLElement> element) : element_(std::move(element)) {}

    std::string tag() const override { return narrow(tagOf(element_.get())); }
    std::string href() const override
    {
        BSTR href = nullptr;
        either(&IHTMLAnchorElement::get_href, &IHTMLAreaElement::get_href, &href);
        return narrow(takeString(href));
    }
    std::string type() const override
    {
        BSTR type = nullptr;
        either(&IHTMLInputElement::get_type, &IHTMLButtonElement::get_type, &type);
        return narrow(takeString(type));
    }
    std::string attribute(const char* name) const override
    {
        return narrow(attributeOf(element_.get(), widen(name).c_str()));
    }
    std::optional<Form> form() const override
    {
        ComPtr<IHTMLFormElement> form;
        either(&IHTMLInputElement::get_form, &IHTMLButtonElement::get_form, form.out());
        if (!form)
            return std::nullopt;
        BSTR action = nullptr;
        BSTR method = nullptr;
        form->get_action(&action);
        form->get_method(&method);
        return Form{narrow(takeString(action)), narrow(takeString(method))};
    }
    std::unique_ptr<PageElement> parent() const override
    {
        ComPtr<IHTMLElement> parent;
        if (FAILED(element_->get_parentElement(parent.out())) || !parent)
            return nullptr;
        return std::make_unique<HtmlElement>(std::move(parent));
    }

  private:
    // Reads a property that two kinds of element share (an anchor's and an area's href, an
    // input's and a button's type or form); the element of any other kind leaves out alone.
    template <class A, class B, class Out>
    void either(HRESULT (STDMETHODCALLTYPE A::*first)(Out*), HRESULT (STDMETHODCALLTYPE B::*second)(Out*),
                Out* out) const
    {
        if (auto a = queryAs<A>(element_.get()))
            (a.get()->*first)(out);
        else if (auto b = queryAs<B>(element_.get()))
            (b.get()->*second)(out);
    }

    ComPtr<IHTMLElement> element_;
};

} // namespace

NavigationRoute routeOf(const std::wstring& url)
{
    // Our scheme only with our host; a name that is no member still loads (its 404 page).
    if (startsWithNoCase(url, L"pagolux:"))
        return startsWithNoCase(url, L"pagolux://site") && (url.size() == 14 || url[14] == L'/')
                   ? NavigationRoute::Load
                   : NavigationRoute::Refuse;
    if (url == L"about:blank")
        return NavigationRoute::Load;
    if (startsWithNoCase(url, L"http://") || startsWithNoCase(url, L"https://"))
        return NavigationRoute::External;
    return NavigationRoute::Refuse;
}

// Everything the control asks of its container, in one object.
class BrowserSite final : public RefCounted,
                          public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler,
                          public IServiceProvider,
                          public IInternetSecurityManager,
                          public IDispatch {
  public:
    BrowserSite(HWND parent, BrowserEvents events) : parent_(parent), events_(std::move(events)) {}

    HWND parent_;
    BrowserEvents events_;
    ComPtr<IOleObject> object;
    ComPtr<IWebBrowser2> browser;
    ComPtr<IConnectionPoint> eventPoint;
    DWORD eventCookie = 0;
    RECT rect_{};

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *ppv = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
            *ppv = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
            *ppv = static_cast<IOleInPlaceFrame*>(this);
        else if (riid == IID_IDocHostUIHandler)
            *ppv = static_cast<IDocHostUIHandler*>(this);
        else if (riid == IID_IServiceProvider)
            *ppv = static_cast<IServiceProvider*>(this);
        else if (riid == IID_IInternetSecurityManager)
            *ppv = static_cast<IInternetSecurityManager*>(this);
        else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2)
            *ppv = static_cast<IDispatch*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override
    {
        *c = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override
    {
        *w = parent_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                               LPRECT pos, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *doc = nullptr;
        *pos = rect_;
        *clip = rect_;
        info->fMDIApp = FALSE;
        info->hwndFrame = parent_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT r) override
    {
        ComPtr<IOleInPlaceObject> inPlace;
        if (object &&
            SUCCEEDED(object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(inPlace.out()))))
            inPlace->SetObjectRects(r, r);
        return S_OK;
    }

    // IOleInPlaceUIWindow / IOleInPlaceFrame: the control gets no menus or borders of ours.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override
    {
        active_.reset();
        if (active) {
            active->AddRef();
            *active_.out() = active;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR text) override
    {
        if (events_.statusText)
            events_.statusText(text ? text : L"");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler: a flat control with the system look and its own context menu.
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override
    {
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override
    {
        info->cbSize = sizeof(DOCHOSTUIINFO);
        // DPI-aware: the engine scales pages with the monitor's DPI instead of drawing them at
        // 96 DPI in a window the system no longer stretches.
        info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_THEME |
                        DOCHOSTUIFLAG_ENABLE_REDIRECT_NOTIFICATION | DOCHOSTUIFLAG_DPI_AWARE;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override
    {
        *key = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override
    {
        *target = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override
    {
        *external = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override
    {
        *out = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) override
    {
        *out = nullptr;
        return S_FALSE;
    }

    // IServiceProvider: the control finds our security manager here.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** ppv) override
    {
        if (service == SID_SInternetSecurityManager)
            return QueryInterface(riid, ppv);
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

    // IInternetSecurityManager: our pages are in the Internet zone, with its restrictions,
    // where scripts run (XHR among our own URLs included); on top of that they never run,
    // download or script ActiveX controls and never read the clipboard. Everything else
    // keeps the system's decision.
    HRESULT STDMETHODCALLTYPE SetSecuritySite(IInternetSecurityMgrSite*) override
    {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE GetSecuritySite(IInternetSecurityMgrSite**) override
    {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE MapUrlToZone(LPCWSTR url, DWORD* zone, DWORD) override
    {
        if (url && startsWithNoCase(url, L"pagolux:")) {
            *zone = URLZONE_INTERNET;
            return S_OK;
        }
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE GetSecurityId(LPCWSTR url, BYTE* id, DWORD* size, DWORD_PTR) override
    {
        if (!url || !startsWithNoCase(url, L"pagolux:"))
            return INET_E_DEFAULT_ACTION;
        // One origin for every page: "pagolux://site" followed by the zone as four bytes.
        static constexpr char kOrigin[] = "pagolux://site";
        const DWORD need = sizeof kOrigin - 1 + 4;
        if (*size < need) {
            *size = need;
            return E_NOT_SUFFICIENT_BUFFER;
        }
        std::memcpy(id, kOrigin, sizeof kOrigin - 1);
        const DWORD zone = URLZONE_INTERNET;
        std::memcpy(id + sizeof kOrigin - 1, &zone, 4);
        *size = need;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy, DWORD size, BYTE*,
                                               DWORD, DWORD, DWORD) override
    {
        if (!url || !startsWithNoCase(url, L"pagolux:") || !win_protocol::deniedUrlAction(action))
            return INET_E_DEFAULT_ACTION;
        if (policy && size >= sizeof(DWORD)) {
            const DWORD disallow = URLPOLICY_DISALLOW;
            std::memcpy(policy, &disallow, sizeof disallow);
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE QueryCustomPolicy(LPCWSTR, REFGUID, BYTE**, DWORD*, BYTE*, DWORD,
                                                DWORD) override
    {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE SetZoneMapping(DWORD, LPCWSTR, DWORD) override { return INET_E_DEFAULT_ACTION; }
    HRESULT STDMETHODCALLTYPE GetZoneMappings(DWORD, IEnumString**, DWORD) override
    {
        return INET_E_DEFAULT_ACTION;
    }

    // IDispatch: the browser's events (DWebBrowserEvents2).
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        switch (id) {
        case DISPID_BEFORENAVIGATE2: {
            // Arguments arrive last first: pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel.
            if (!params || params->cArgs < 7)
                return S_OK;
            const std::wstring url = stringArg(params->rgvarg[5]);
            VARIANT_BOOL* cancel = params->rgvarg[0].pboolVal;
            const NavigationRoute route = routeOf(url);
            if (route == NavigationRoute::Load)
                return S_OK;
            if (cancel)
                *cancel = VARIANT_TRUE;
            // Only the address the user's last click or key acted on, once: a page's timer or
            // script gets nowhere, even right after a click.
            if (route == NavigationRoute::External && isTopLevel(params->rgvarg[6]) &&
                acts_.takeNavigation(narrow(url), GetTickCount()) && events_.openExternal)
                events_.openExternal(url);
            return S_OK;
        }
        case DISPID_NEWWINDOW3: {
            // pDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl: a new window is never opened;
            // our own pages load in this one, web addresses go to the browser after a click.
            if (!params || params->cArgs < 5)
                return S_OK;
            const std::wstring url = stringArg(params->rgvarg[0]);
            if (params->rgvarg[3].pboolVal)
                *params->rgvarg[3].pboolVal = VARIANT_TRUE;
            switch (routeOf(url)) {
            case NavigationRoute::Load:
                navigate(url);
                break;
            case NavigationRoute::External:
                // Only a window the user's own click or key started, never a script's timer.
                if (params->rgvarg[2].vt == VT_I4 &&
                    win_protocol::userStartedNewWindow(params->rgvarg[2].lVal) &&
                    acts_.takeWindow(GetTickCount()) && events_.openExternal)
                    events_.openExternal(url);
                break;
            case NavigationRoute::Refuse:
                break;
            }
            return S_OK;
        }
        case DISPID_STATUSTEXTCHANGE:
            if (params && params->cArgs >= 1 && events_.statusText)
                events_.statusText(stringArg(params->rgvarg[0]));
            return S_OK;
        case DISPID_COMMANDSTATECHANGE:
            // Command, Enable (last first).
            if (params && params->cArgs >= 2) {
                const long command = params->rgvarg[1].lVal;
                const bool enable = params->rgvarg[0].boolVal != VARIANT_FALSE;
                if (command == CSC_NAVIGATEBACK)
                    canBack_ = enable;
                else if (command == CSC_NAVIGATEFORWARD)
                    canForward_ = enable;
                if (events_.historyChanged)
                    events_.historyChanged(canBack_, canForward_);
            }
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

    void navigate(const std::wstring& url)
    {
        if (!browser)
            return;
        BSTR u = SysAllocString(url.c_str());
        VARIANT empty;
        VariantInit(&empty);
        browser->Navigate(u, &empty, &empty, &empty, &empty);
        SysFreeString(u);
    }

    bool translate(MSG* msg) { return active_ && active_->TranslateAccelerator(msg) == S_OK; }

    // A click (left button released) or Enter/Space in the page's window, before the page
    // sees it: remembers what it acted on.
    void noteInput(const MSG& msg)
    {
        Act act;
        if (msg.message == WM_LBUTTONUP)
            act = Act::Click;
        else if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN)
            act = Act::Enter;
        // A button follows the space bar when it is released.
        else if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) && msg.wParam == VK_SPACE)
            act = Act::Space;
        else
            return;
        ComPtr<IDispatch> dispatch;
        if (!browser || FAILED(browser->get_Document(dispatch.out())))
            return;
        auto document = queryAs<IHTMLDocument2>(dispatch.get());
        auto window = queryAs<IOleWindow>(dispatch.get());
        HWND documentWindow = nullptr;
        // Only what reaches the document's own window is the user's act in the page; the
        // point of a click is in that window's client pixels.
        if (!document || !window || FAILED(window->GetWindow(&documentWindow)) || msg.hwnd != documentWindow)
            return;
        std::wstring base;
        ComPtr<IHTMLElement> element;
        if (act == Act::Click) {
            const POINT point{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
            element = elementAt(std::move(document), point, base);
        } else {
            element = focusedElement(std::move(document), base);
        }
        std::optional<ActTarget> target;
        if (element)
            target = targetOf(std::make_unique<HtmlElement>(std::move(element)), act, narrow(base));
        acts_.noteAct(GetTickCount(), std::move(target));
    }

  private:
    static std::wstring stringArg(const VARIANT& v)
    {
        const VARIANT* p = &v;
        if ((p->vt & VT_BYREF) && p->pvarVal)
            p = p->pvarVal;
        if (p->vt == VT_BSTR && p->bstrVal)
            return p->bstrVal;
        return {};
    }
    bool isTopLevel(const VARIANT& disp) const
    {
        if (disp.vt != VT_DISPATCH || !disp.pdispVal || !browser)
            return false;
        ComPtr<IUnknown> a;
        ComPtr<IUnknown> b;
        disp.pdispVal->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(a.out()));
        browser->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(b.out()));
        return a.get() == b.get();
    }

    ComPtr<IOleInPlaceActiveObject> active_;
    UserActs acts_;
    bool canBack_ = false;
    bool canForward_ = false;
};

bool BrowserHost::create(HWND parent, BrowserEvents events)
{
    auto* site = new BrowserSite(parent, std::move(events));
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(site->object.out()));
    if (SUCCEEDED(hr))
        hr = site->object->SetClientSite(static_cast<IOleClientSite*>(site));
    if (SUCCEEDED(hr)) {
        GetClientRect(parent, &site->rect_);
        hr = site->object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site), 0,
                                  parent, &site->rect_);
    }
    if (SUCCEEDED(hr))
        hr = site->object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(site->browser.out()));
    if (SUCCEEDED(hr)) {
        ComPtr<IConnectionPointContainer> points;
        if (SUCCEEDED(site->browser->QueryInterface(IID_IConnectionPointContainer,
                                                    reinterpret_cast<void**>(points.out()))) &&
            SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, site->eventPoint.out())))
            site->eventPoint->Advise(static_cast<IDispatch*>(site), &site->eventCookie);
        site->browser->put_Silent(VARIANT_TRUE);
        site_ = site;
        return true;
    }
    wchar_t text[64];
    wsprintfW(text, L"0x%08lX", static_cast<unsigned long>(hr));
    error_ = text;
    if (site->object) {
        site->object->SetClientSite(nullptr);
        site->object->Close(OLECLOSE_NOSAVE);
    }
    site->Release();
    return false;
}

BrowserHost::~BrowserHost()
{
    if (!site_)
        return;
    if (site_->eventPoint)
        site_->eventPoint->Unadvise(site_->eventCookie);
    site_->eventPoint.reset();
    site_->browser.reset();
    if (site_->object) {
        site_->object->Close(OLECLOSE_NOSAVE);
        site_->object->SetClientSite(nullptr);
    }
    site_->object.reset();
    site_->Release();
}

std::wstring BrowserHost::urlForSitePath(const std::string& sitePath) const
{
    return widen(win_protocol::urlForPath(sitePath));
}

void BrowserHost::navigate(const std::wstring& url)
{
    if (site_)
        site_->navigate(url);
}

void BrowserHost::back()
{
    if (site_ && site_->browser)
        site_->browser->GoBack();
}

void BrowserHost::forward()
{
    if (site_ && site_->browser)
        site_->browser->GoForward();
}

void BrowserHost::reload()
{
    if (site_ && site_->browser)
        site_->browser->Refresh();
}

void BrowserHost::print()
{
    if (site_ && site_->browser)
        site_->browser->ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
}

void BrowserHost::setRect(const RECT& rect)
{
    if (!site_)
        return;
    site_->rect_ = rect;
    site_->OnPosRectChange(&rect);
}

bool BrowserHost::translateAccelerator(MSG* msg)
{
    return site_ && site_->translate(msg);
}

void BrowserHost::noteInput(const MSG& msg)
{
    if (site_)
        site_->noteInput(msg);
}

namespace {

constexpr wchar_t kEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
constexpr DWORD kNewestMode = 11001; // the newest document mode, whatever the page declares

// The value this process wrote; removed at the end of the process while it still holds ours.
struct WrittenEmulationValue {
    std::wstring name;
    ~WrittenEmulationValue()
    {
        HKEY key = nullptr;
        if (name.empty() || RegOpenKeyExW(HKEY_CURRENT_USER, kEmulationKey, 0,
                                          KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return;
        DWORD value = 0, type = 0, size = sizeof value;
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                ERROR_SUCCESS &&
            type == REG_DWORD && value == kNewestMode)
            RegDeleteValueW(key, name.c_str());
        RegCloseKey(key);
    }
};

WrittenEmulationValue g_written;

} // namespace

void useNewestDocumentMode()
{
    // The program may lie deeper than MAX_PATH: the buffer grows until the whole name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return;
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768)
            return;
        path.resize(path.size() * 2);
    }
    const wchar_t* name = path.c_str();
    for (const wchar_t* p = path.c_str(); *p; ++p)
        if (*p == L'\\' || *p == L'/')
            name = p + 1;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kEmulationKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    // A value of this name belongs to another program (or to an earlier run that is still
    // going): it stays as it is.
    if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND &&
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kNewestMode),
                       sizeof kNewestMode) == ERROR_SUCCESS)
        g_written.name = name;
    RegCloseKey(key);
}

} // namespace pagolux::win
