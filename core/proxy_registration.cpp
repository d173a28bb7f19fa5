// Exports of the proxy/stub library. The generated routines register the custom interfaces;
// the event dispinterface has no proxy of its own and is marshaled by the automation
// marshaler, which is registered here for it. Everything goes to the caller's own registry
// view, so the library is registered once per bitness.
#include <windows.h>

#include "registration.h"

extern "C" {
BOOL WINAPI PrxDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
HRESULT STDAPICALLTYPE PrxDllCanUnloadNow();
HRESULT STDAPICALLTYPE PrxDllGetClassObject(REFCLSID clsid, REFIID iid, void** out);
HRESULT STDAPICALLTYPE PrxDllRegisterServer();
HRESULT STDAPICALLTYPE PrxDllUnregisterServer();
}

namespace {

// {0C801798-0383-4970-B163-62F3F980EA57}
const IID kEventsIid = {
    0x0c801798, 0x0383, 0x4970, {0xb1, 0x63, 0x62, 0xf3, 0xf9, 0x80, 0xea, 0x57}};

} // namespace

extern "C" {

// The generated entry keeps the library's handle, which its registration writes.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    return PrxDllMain(instance, reason, reserved);
}

STDAPI DllCanUnloadNow() {
    return PrxDllCanUnloadNow();
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return PrxDllGetClassObject(clsid, iid, out);
}

STDAPI DllRegisterServer() {
    HRESULT hr = PrxDllRegisterServer();
    if (FAILED(hr))
        return hr;
    return RegisterInterfaceMarshaler(kEventsIid, L"_IQLXEvents", kPSDispatchClsid, kOwnRegistryView);
}

STDAPI DllUnregisterServer() {
    HRESULT hr = PrxDllUnregisterServer();
    HRESULT events = UnregisterInterfaceMarshaler(kEventsIid, kOwnRegistryView);
    return FAILED(hr) ? hr : events;
}
}
