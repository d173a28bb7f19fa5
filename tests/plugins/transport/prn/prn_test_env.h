#pragma once
#include <windows.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "com_ptr.h"
#include "com_variant.h"
#include "qlx_tplugin.h"
#include "recording_sink.h"

// What the printer transport's tests share: reading and putting its values, and its events.

class ComScope {
public:
    explicit ComScope(DWORD model = COINIT_MULTITHREADED) { CoInitializeEx(nullptr, model); }
    ~ComScope() { CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
};

// A value as text: strings as they are, longs as "#n", byte arrays as "bytes:n"; the failure
// as "hr=n".
std::wstring Param(IQLX_TPLUGIN* plugin, const wchar_t* name);
// The stored byte array of a byte-array parameter.
std::vector<unsigned char> ParamBytes(IQLX_TPLUGIN* plugin, const wchar_t* name);

HRESULT Put(IQLX_TPLUGIN* plugin, const wchar_t* name, const VARIANT& value);
HRESULT PutUI(IQLX_TPLUGIN* plugin, const wchar_t* name, const VARIANT& value);
inline HRESULT Put(IQLX_TPLUGIN* plugin, const wchar_t* name, const std::wstring& text) {
    return Put(plugin, name, ComVariant(text.c_str()));
}
inline HRESULT Put(IQLX_TPLUGIN* plugin, const wchar_t* name, long number) {
    return Put(plugin, name, ComVariant(number));
}
// A VARIANT of VT_ARRAY | VT_UI1 holding the bytes.
ComVariant ByteArray(const std::vector<unsigned char>& bytes);

// A sink on the transport's events for the holder's lifetime.
class EventLog {
public:
    explicit EventLog(IUnknown* plugin);
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Each kind since the last Clear, the plug-in name checked on the way.
    std::vector<std::wstring> Errors() const;  // messages
    std::vector<long> Progress() const;        // percentages
    std::vector<std::wstring> Changes() const; // "param=value" as Param writes values
    void Clear() { sink_.events.clear(); }

private:
    RecordingSink sink_{DIID__IQLX_TPlugin_Events};
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

// The name of a printer as the spooler lists it, and whether it lists it.
bool PrinterListed(const std::wstring& name);

std::string Narrow(const std::wstring& text);
