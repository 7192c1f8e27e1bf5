#include "viewer/windows/ArchiveProtocol.h"

#include "viewer/core/SiteAddressSpace.h"
#include "viewer/windows/ComBase.h"
#include "viewer/windows/ProtocolRequest.h"
#include "viewer/windows/WinText.h"

#include <urlmon.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace pagolux::win_protocol {
namespace {

using win::RefCounted;

// The class id under which the name space handler is registered; known to this process only.
// {6B1F3E52-3C1A-4C77-9A43-2F0B5E1D8A10}
constexpr CLSID kProtocolClsid = {
    0x6b1f3e52, 0x3c1a, 0x4c77, {0x9a, 0x43, 0x2f, 0x0b, 0x5e, 0x1d, 0x8a, 0x10}};

MemberSource* g_source = nullptr;
const viewer::SiteAddressSpace* g_site = nullptr;

HRESULT copyOut(const std::wstring& text, LPWSTR out, DWORD capacity, DWORD* written)
{
    const DWORD need = static_cast<DWORD>(text.size() + 1);
    if (written)
        *written = need;
    if (!out || capacity < need)
        return S_FALSE;
    std::memcpy(out, text.c_str(), need * sizeof(wchar_t));
    return S_OK;
}

// One request: answered as a whole in Start, handed out by Read.
class Protocol final : public RefCounted, public IInternetProtocol, public IWinInetHttpInfo {
  public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IInternetProtocolRoot || riid == IID_IInternetProtocol)
            *ppv = static_cast<IInternetProtocol*>(this);
        else if (riid == IID_IWinInetInfo || riid == IID_IWinInetHttpInfo)
            *ppv = static_cast<IWinInetHttpInfo*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }

    // IInternetProtocolRoot
    HRESULT STDMETHODCALLTYPE Start(LPCWSTR url, IInternetProtocolSink* sink, IInternetBindInfo*, DWORD,
                                    HANDLE_PTR) override
    {
        if (!url || !sink)
            return E_INVALIDARG;
        if (!g_source || !g_site)
            return INET_E_OBJECT_NOT_FOUND;
        response_ = respond(*g_source, *g_site, win::narrow(url));
        position_ = 0;
        // A folder named without its "/" is answered under the address with it, so that the
        // relative links of its index page resolve inside the folder.
        if (!response_.location.empty())
            sink->ReportProgress(BINDSTATUS_REDIRECTING, win::widen(response_.location).c_str());
        const std::wstring mime = win::widen(response_.mimeType);
        // The type is stated, not sniffed: a member is served as its extension says.
        sink->ReportProgress(BINDSTATUS_VERIFIEDMIMETYPEAVAILABLE, mime.c_str());
        const ULONG size = static_cast<ULONG>(response_.body.size());
        sink->ReportData(BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE,
                         size, size);
        sink->ReportResult(S_OK, static_cast<DWORD>(response_.status), nullptr);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Continue(PROTOCOLDATA*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Abort(HRESULT, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Terminate(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Suspend() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resume() override { return E_NOTIMPL; }

    // IInternetProtocol
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG cb, ULONG* read) override
    {
        const std::size_t left = response_.body.size() - position_;
        const std::size_t n = std::min<std::size_t>(left, cb);
        if (n > 0)
            std::memcpy(buffer, response_.body.data() + position_, n);
        position_ += n;
        if (read)
            *read = static_cast<ULONG>(n);
        return position_ >= response_.body.size() ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRequest(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnlockRequest() override { return S_OK; }

    // IWinInetInfo / IWinInetHttpInfo: the status and headers, as an HTTP answer would carry
    // them, so that scripts (XMLHttpRequest) and other clients see 200 or 404.
    HRESULT STDMETHODCALLTYPE QueryOption(DWORD, LPVOID, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryInfo(DWORD option, LPVOID buffer, DWORD* size, DWORD*, DWORD*) override
    {
        if (!size)
            return E_POINTER;
        const DWORD what = option & 0xFFFF;
        const bool number = (option & HTTP_QUERY_FLAG_NUMBER) != 0;
        std::string text;
        DWORD value = 0;
        switch (what) {
        case HTTP_QUERY_STATUS_CODE:
            value = static_cast<DWORD>(response_.status);
            text = std::to_string(value);
            break;
        case HTTP_QUERY_STATUS_TEXT:
            text = response_.status == 200 ? "OK" : "Not Found";
            break;
        case HTTP_QUERY_CONTENT_TYPE:
            text = response_.mimeType;
            break;
        case HTTP_QUERY_CONTENT_LENGTH:
            value = static_cast<DWORD>(response_.body.size());
            text = std::to_string(value);
            break;
        default:
            return E_FAIL;
        }
        if (number) {
            if (what == HTTP_QUERY_STATUS_TEXT || what == HTTP_QUERY_CONTENT_TYPE)
                return E_FAIL;
            if (!buffer || *size < sizeof(DWORD)) {
                *size = sizeof(DWORD);
                return E_OUTOFMEMORY;
            }
            std::memcpy(buffer, &value, sizeof value);
            *size = sizeof(DWORD);
            return S_OK;
        }
        if (!buffer || *size < text.size() + 1) {
            *size = static_cast<DWORD>(text.size() + 1);
            return E_OUTOFMEMORY;
        }
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        *size = static_cast<DWORD>(text.size());
        return S_OK;
    }

  private:
    Response response_;
    std::size_t position_ = 0;
};

// Makes the protocol objects and tells urlmon how our URLs combine and where they belong.
class Factory final : public RefCounted, public IClassFactory, public IInternetProtocolInfo {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IClassFactory)
            *ppv = static_cast<IClassFactory*>(this);
        else if (riid == IID_IInternetProtocolInfo)
            *ppv = static_cast<IInternetProtocolInfo*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }

    // IClassFactory
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        // urlmon may aggregate a protocol; we are never aggregated, which it accepts.
        if (outer && riid != IID_IUnknown)
            return CLASS_E_NOAGGREGATION;
        auto* p = new Protocol();
        const HRESULT hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    // IInternetProtocolInfo
    HRESULT STDMETHODCALLTYPE ParseUrl(LPCWSTR url, PARSEACTION action, DWORD, LPWSTR out, DWORD capacity,
                                       DWORD* written, DWORD) override
    {
        switch (action) {
        case PARSE_SECURITY_URL:
        case PARSE_CANONICALIZE:
            return copyOut(url, out, capacity, written);
        case PARSE_DOMAIN:
            return copyOut(win::widen(kHost), out, capacity, written);
        case PARSE_SECURITY_DOMAIN:
            return copyOut(win::widen(std::string(kScheme) + "://" + kHost), out, capacity, written);
        default:
            return INET_E_DEFAULT_ACTION;
        }
    }
    HRESULT STDMETHODCALLTYPE CombineUrl(LPCWSTR base, LPCWSTR relative, DWORD, LPWSTR out, DWORD capacity,
                                         DWORD* written, DWORD) override
    {
        const auto combined = combineUrl(win::narrow(base), win::narrow(relative));
        if (!combined)
            return INET_E_DEFAULT_ACTION;
        return copyOut(win::widen(*combined), out, capacity, written) == S_OK ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE CompareUrl(LPCWSTR a, LPCWSTR b, DWORD) override
    {
        return keyFromUrl(win::narrow(a)) == keyFromUrl(win::narrow(b)) ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE QueryInfo(LPCWSTR, QUERYOPTION option, DWORD, LPVOID buffer, DWORD size,
                                        DWORD* written, DWORD) override
    {
        DWORD value = 0;
        switch (option) {
        case QUERY_USES_NETWORK:
        case QUERY_USES_CACHE:
        case QUERY_USES_HISTORYFOLDER:
            value = FALSE;
            break;
        case QUERY_IS_SECURE:
        case QUERY_IS_SAFE:
        case QUERY_IS_CACHED_OR_MAPPED:
            value = TRUE;
            break;
        default:
            return INET_E_DEFAULT_ACTION;
        }
        if (written)
            *written = sizeof(DWORD);
        if (!buffer || size < sizeof(DWORD))
            return E_OUTOFMEMORY;
        std::memcpy(buffer, &value, sizeof value);
        return S_OK;
    }
};

} // namespace

bool registerProtocol(MemberSource& source, const viewer::SiteAddressSpace& site)
{
    g_source = &source;
    g_site = &site;
    win::ComPtr<IInternetSession> session;
    if (FAILED(CoInternetGetSession(0, session.out(), 0)))
        return false;
    auto* factory = new Factory();
    const HRESULT hr =
        session->RegisterNameSpace(factory, kProtocolClsid, win::widen(kScheme).c_str(), 0, nullptr, 0);
    factory->Release(); // the session holds its own reference
    return SUCCEEDED(hr);
}

} // namespace pagolux::win_protocol
