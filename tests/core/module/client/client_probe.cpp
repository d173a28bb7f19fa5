// A client of the core server in a process of its own (built in both bitnesses): reaches the
// engine through the driver interface, as the capture side does, and ends with the engine's
// Identity as its exit code (a failed HRESULT when it can't).
#include <windows.h>

#include "com_ptr.h"
#include "core_ids.h"
#include "qlx_core.h"

int wmain() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr))
        return hr;
    LONG identity = 0;
    {
        ComPtr<IQLX_INT> driver;
        ComPtr<IQLX> automation;
        hr = CoCreateInstance(kCoreEngineClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX_INT,
                              driver.AsVoidOut());
        if (SUCCEEDED(hr))
            hr = driver->QueryInterface(IID_IQLX, automation.AsVoidOut());
        if (SUCCEEDED(hr))
            hr = automation->get_Identity(&identity);
    }
    CoUninitialize();
    return FAILED(hr) ? hr : identity;
}
