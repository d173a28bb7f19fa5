#pragma once
#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>

#include "com_ptr.h"
#include "control_host.h"
#include "fixture_registration.h"
#include "qlx_tplugin.h"
#include "transport_events.h"

// A transport plug-in library registered in the test prefix, one object created from it as a
// host creates it, and that object's settings page embedded in a host window with its events
// recorded. The thread must have entered OLE.
class EmbeddedTransport {
public:
    EmbeddedTransport(const wchar_t* library, const CLSID& clsid, const wchar_t* name);
    ~EmbeddedTransport();

    // S_OK when the library was registered, the object made and its page shown.
    HRESULT Result() const { return result_; }
    IQLX_TPLUGIN* Plugin() const { return plugin_.Get(); }
    ControlHost& Host() { return host_; }
    TransportEvents& Events() { return *events_; }
    HWND Item(int id) const { return GetDlgItem(page_, id); }

    // A parameter as text ("#n" for a long).
    std::wstring Param(const wchar_t* name) const;
    HRESULT PutUI(const wchar_t* name, const wchar_t* text);
    HRESULT PutUI(const wchar_t* name, long number);
    static std::wstring WindowText(HWND window);

private:
    PluginRegistration registration_;
    ComPtr<IQLX_TPLUGIN> plugin_;
    ControlHost host_{320, 300};
    std::unique_ptr<TransportEvents> events_;
    HWND page_ = nullptr;
    HRESULT result_ = E_FAIL;
};
