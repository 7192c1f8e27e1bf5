#include "viewer/windows/SelfTest.h"

#include "viewer/core/SiteAddressSpace.h"

#include "viewer/core/ViewerPackage.h"
#include "viewer/windows/ComBase.h"
#include "viewer/windows/EmbeddedRecords.h"
#include "viewer/windows/ProtocolRequest.h"
#include "viewer/windows/WebView2Host.h"
#include "viewer/windows/WinText.h"

#include <urlmon.h>
#include <wininet.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace pagolux::win {
namespace {

// No single fetch may hang the test.
constexpr DWORD kFetchTimeoutMs = 15000;

struct Fetched {
    HRESULT result = E_PENDING;
    long status = -1; // from the binding's IWinInetHttpInfo; -1 when it gives none
    std::wstring mimeType;
    std::vector<std::uint8_t> bytes;
    bool done = false;
};

// Collects one asynchronous bind: MIME type, the protocol's status, the data as it comes.
class FetchCallback final : public RefCounted, public IBindStatusCallback {
  public:
    // keep: when not null, receives the binding when it has ended instead of its release.
    FetchCallback(Fetched& out, ComPtr<IBinding>* keep) : out_(out), keep_(keep) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IBindStatusCallback)
            *ppv = static_cast<IBindStatusCallback*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* binding) override
    {
        binding_.reset();
        if (binding) {
            binding->AddRef();
            *binding_.out() = binding;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG code, LPCWSTR text) override
    {
        if ((code == BINDSTATUS_MIMETYPEAVAILABLE || code == BINDSTATUS_VERIFIEDMIMETYPEAVAILABLE) && text)
            out_.mimeType = text;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT hr, LPCWSTR) override
    {
        queryStatus();
        out_.result = hr;
        out_.done = true;
        if (keep_ && binding_) {
            binding_->AddRef();
            *keep_->out() = binding_.get();
        }
        binding_.reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override
    {
        *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA | BINDF_GETNEWESTVERSION |
                 BINDF_NOWRITECACHE;
        const ULONG size = info->cbSize;
        std::memset(info, 0, size);
        info->cbSize = size;
        info->dwBindVerb = BINDVERB_GET;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override
    {
        queryStatus();
        if (!medium || medium->tymed != TYMED_ISTREAM || !medium->pstm)
            return S_OK;
        unsigned char buffer[16384];
        for (;;) {
            ULONG read = 0;
            const HRESULT hr = medium->pstm->Read(buffer, sizeof buffer, &read);
            out_.bytes.insert(out_.bytes.end(), buffer, buffer + read);
            if (hr != S_OK || read == 0)
                break;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

  private:
    void queryStatus()
    {
        if (out_.status >= 0 || !binding_)
            return;
        ComPtr<IWinInetHttpInfo> info;
        if (FAILED(binding_->QueryInterface(IID_IWinInetHttpInfo, reinterpret_cast<void**>(info.out()))))
            return;
        DWORD value = 0;
        DWORD size = sizeof value;
        if (info->QueryInfo(HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr,
                            nullptr) == S_OK)
            out_.status = static_cast<long>(value);
    }

    Fetched& out_;
    ComPtr<IBinding>* keep_;
    ComPtr<IBinding> binding_;
};

Fetched fetch(const std::wstring& url, ComPtr<IBinding>* keep = nullptr)
{
    Fetched out;
    ComPtr<IMoniker> moniker;
    HRESULT hr = CreateURLMonikerEx(nullptr, url.c_str(), moniker.out(), URL_MK_UNIFORM);
    if (FAILED(hr)) {
        out.result = hr;
        return out;
    }
    auto* callback = new FetchCallback(out, keep);
    ComPtr<IBindCtx> context;
    hr = CreateAsyncBindCtx(0, callback, nullptr, context.out());
    if (SUCCEEDED(hr)) {
        ComPtr<IStream> stream;
        hr = moniker->BindToStorage(context.get(), nullptr, IID_IStream,
                                    reinterpret_cast<void**>(stream.out()));
        if (FAILED(hr) && !out.done) {
            out.result = hr;
            out.done = true;
        }
        // The bind goes on through window messages of this thread.
        const DWORD start = GetTickCount();
        while (!out.done && GetTickCount() - start < kFetchTimeoutMs) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (!out.done)
            out.result = E_ABORT;
    } else {
        out.result = hr;
    }
    callback->Release();
    return out;
}

std::string hex(unsigned long value, int digits)
{
    char text[20];
    std::snprintf(text, sizeof text, "%0*lx", digits, value);
    return text;
}

unsigned long crcOf(const Fetched& f)
{
    return crc32(0L, f.bytes.empty() ? Z_NULL : f.bytes.data(), static_cast<uInt>(f.bytes.size()));
}

std::string describe(const std::string& url, const Fetched& f)
{
    const unsigned long crc = crcOf(f);
    return "url=" + url + " result=" + hex(static_cast<unsigned long>(f.result), 8) +
           " status=" + std::to_string(f.status) + " mime=" + narrow(f.mimeType) +
           " bytes=" + std::to_string(f.bytes.size()) + " crc=" + hex(crc, 8);
}

} // namespace

std::optional<std::wstring> selfTestReportFile()
{
    const wchar_t* value = _wgetenv(L"PAGOLUX_VIEWER_SELFTEST");
    if (!value || !*value)
        return std::nullopt;
    return std::wstring(value);
}

void selfTestLine(const std::wstring& file, const std::string& line)
{
    FILE* out = _wfopen(file.c_str(), L"ab");
    if (!out)
        return;
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
    std::fclose(out);
}

int runSelfTest(const std::wstring& file, ViewerPackage& package, const viewer::SiteAddressSpace& site,
                HINSTANCE instance)
{
    // One open report for the whole run: a file opened and closed per line costs several
    // server calls each under Wine.
    FILE* report = _wfopen(file.c_str(), L"ab");
    if (!report)
        return 2;
    const auto put = [report](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), report);
        std::fputc('\n', report);
    };
    const BuildSettings& s = package.settings();
    put("title=" + s.projectName);
    put("size=" + std::to_string(s.width) + "x" + std::to_string(s.height));
    put(std::string("definedSize=") + (s.definedSize ? "1" : "0"));
    put(std::string("fixedSize=") + (s.fixedSize ? "1" : "0"));
    std::string elements;
    for (const bool on : s.elements)
        elements += on ? '1' : '0';
    put("elements=" + elements);
    put("start=" + package.startPath());
    put("startUrl=" + win_protocol::urlForPath(site.startUrlPath()));
    put("members=" + std::to_string(package.memberCount()));
    // Opening the package has checked the settings block, the archive's registry and CRC and
    // the start file; getting here means all of it held.
    put("archive=ok");
    if (const auto pixels = readIconPixels(instance)) {
        std::string text;
        for (const std::uint8_t b : *pixels)
            text += hex(b, 2);
        put("icon=" + text);
    } else {
        put("icon=none");
    }

    // The engine the window would take, started for real inside a hidden window.
    {
        HWND hidden = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                                      nullptr, instance, nullptr);
        EngineOutcome outcome;
        LARGE_INTEGER frequency{};
        LARGE_INTEGER start{};
        LARGE_INTEGER end{};
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        auto webView = chooseWebView2(hidden, {}, package, outcome);
        QueryPerformanceCounter(&end);
        put(std::string("engine=") + (webView ? "webview2" : "ie"));
        put("engineReason=" + outcome.reason);
        put("engineDetail=" + outcome.detail);
        // How long the choice took, for measurements (microseconds).
        put("engineMicros=" + std::to_string((end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart));
        webView.reset();
        DestroyWindow(hidden);
    }

    // urlmon gives a thread a notification window while one of its bindings lives and destroys
    // it with the last; a binding held for the whole run spares making that window anew for
    // every member (under Wine that is most of a fetch's cost).
    ComPtr<IBinding> held;
    (void)fetch(widen(win_protocol::urlForPath(site.startUrlPath())), &held);

    bool allHeld = true;
    int served = 0;
    for (const std::string& key : package.memberKeys()) {
        const std::string url = win_protocol::urlForPath(site.urlPathOf(key));
        const Fetched f = fetch(widen(url));
        // The served bytes against the size and CRC-32 the archive recorded when it packed the
        // file (reading the member a second time would only repeat what the protocol did).
        const auto size = package.size(key);
        const auto crc = package.crc(key);
        const bool match = f.result == S_OK && size && crc &&
                           static_cast<std::int64_t>(f.bytes.size()) == *size && crcOf(f) == *crc;
        if (match)
            ++served;
        else
            allHeld = false;
        put("member " + describe(url, f) + " match=" + (match ? "1" : "0"));
    }
    put("served=" + std::to_string(served));

    if (const wchar_t* extra = _wgetenv(L"PAGOLUX_VIEWER_SELFTEST_FETCH")) {
        const std::string urls = narrow(extra);
        std::size_t at = 0;
        while ((at = urls.find_first_not_of(' ', at)) != std::string::npos) {
            const std::size_t end = std::min(urls.find(' ', at), urls.size());
            const std::string url = urls.substr(at, end - at);
            put("fetch " + describe(url, fetch(widen(url))));
            at = end;
        }
    }
    put(std::string("result=") + (allHeld ? "ok" : "fail"));
    return std::fclose(report) == 0 && allHeld ? 0 : 1;
}

} // namespace pagolux::win
