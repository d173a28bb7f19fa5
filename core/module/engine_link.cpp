#include "engine_link.h"

#include "com_bstr.h"
#include "com_ptr.h"
#include "com_result.h"
#include "log.h"
#include "qlx_core.h"

namespace {

template <class Interface> HRESULT Connect(const CLSID& clsid, REFIID iid, ComPtr<Interface>& out) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, iid, out.AsVoidOut());
}

} // namespace

HRESULT EngineLink::AddRemovePrinter() {
    return GuardedCall([&] {
        ComPtr<IQLX_INT> engine;
        RETURN_IF_FAILED(Connect(clsid_, IID_IQLX_INT, engine));
        return engine->int_AddRemovePrinter();
    });
}

HRESULT EngineLink::DefaultPrinterChanged(const wchar_t* name) {
    return GuardedCall([&] {
        ComPtr<IQLX_INT> engine;
        RETURN_IF_FAILED(Connect(clsid_, IID_IQLX_INT, engine));
        ComBstr text(name);
        if (name && !text)
            return E_OUTOFMEMORY;
        return engine->int_DefaultPrinterChanged(text);
    });
}

HRESULT UnloadUIAndStop(IUnknown* engine) noexcept {
    return GuardedCall([&] {
        ComPtr<IQLX> automation;
        RETURN_IF_FAILED(engine->QueryInterface(IID_IQLX, automation.AsVoidOut()));
        LONG loaded = 0;
        HRESULT hr = automation->get_UILoaded(&loaded);
        if (SUCCEEDED(hr) && loaded > 0) {
            LogInfoNum(L'C', L"CCoreModule::UnloadUI UILoaded", loaded);
            hr = automation->UnloadUI();
            if (FAILED(hr))
                LogErrorNum(L'C', L"CCoreModule::UnloadUI failed", hr);
        }
        hr = automation->Stop();
        if (FAILED(hr))
            LogErrorNum(L'C', L"CCoreModule::Stop failed", hr);
        return hr;
    });
}
