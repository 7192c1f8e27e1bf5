#pragma once
// A reference-counted COM object that implements one WebView2 interface: QueryInterface
// answers IUnknown, that interface's IID and the IIDs of the bases listed after it (an
// interface of a later runtime derives from the earlier one). The viewer's handlers and the
// tests' stand-in runtime are built on it.

#include "viewer/windows/ComBase.h"
#include "viewer/windows/WebView2Abi.h"

namespace pagolux::wv2 {

template <class I, class... Bases> class Implements : public win::RefCounted, public I {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IidOf<I>::value() && ((riid != IidOf<Bases>::value()) && ...))
            return E_NOINTERFACE;
        *ppv = static_cast<I*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }
};

} // namespace pagolux::wv2
