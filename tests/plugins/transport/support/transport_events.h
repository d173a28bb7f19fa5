#pragma once
#include <windows.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "com_ptr.h"
#include "recording_sink.h"

// The events of a transport plug-in, recorded for as long as the holder lives, each as text:
// "progress 25", "error GetPage", "change mail=a@x.test" (a long value as "#1"). Every event
// must carry the plug-in's name, which the holder checks.
class TransportEvents {
public:
    TransportEvents(IUnknown* plugin, const wchar_t* pluginName);
    ~TransportEvents();
    TransportEvents(const TransportEvents&) = delete;
    TransportEvents& operator=(const TransportEvents&) = delete;

    bool Connected() const { return cookie_ != 0; }
    // The events since the last call.
    std::vector<std::wstring> Take();
    // Of the events since the last Take: the progress values, and the error messages.
    std::vector<long> Progress() const;
    std::vector<std::wstring> Errors() const;

private:
    std::wstring Describe(size_t n) const;

    RecordingSink sink_;
    std::wstring name_;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};
