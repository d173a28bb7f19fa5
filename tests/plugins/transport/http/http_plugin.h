#pragma once
#include <windows.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "com_object.h"
#include "com_ptr.h"
#include "fake_pages.h"
#include "recording_sink.h"
#include "xfer_http_object.h"

// The HTTP transport created in process, as the core creates it, with a sink on its events and
// a short network time-out (so that a silent server ends a test quickly).
class HttpPlugin {
public:
    explicit HttpPlugin(DWORD timeoutMs = 5000);
    ~HttpPlugin();
    HttpPlugin(const HttpPlugin&) = delete;
    HttpPlugin& operator=(const HttpPlugin&) = delete;

    bool Created() const { return plugin_ != nullptr; }
    IQLX_TPLUGIN* Interface() const { return plugin_.Get(); }
    CXFER_HTTPObject& Object() const { return *object_; }

    HRESULT Put(const wchar_t* name, const std::wstring& value);
    HRESULT Put(const wchar_t* name, long value);
    // Url, file name and method in one go.
    void Target(const std::wstring& url, const std::wstring& file, bool put);
    HRESULT Send(FakePages& pages, long wholeJob, long page);

    // The events since the last Send: the messages of OnError and the percents of OnProgress,
    // each checked to carry the plug-in's name.
    std::vector<std::wstring> Errors() const;
    std::vector<long> Progress() const;

private:
    ComObject<CXFER_HTTPObject>* object_ = nullptr;
    ComPtr<IQLX_TPLUGIN> plugin_;
    RecordingSink sink_{DIID__IQLX_TPlugin_Events};
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

// Text for failure messages.
std::string Narrow(const std::wstring& text);
std::string Join(const std::vector<std::wstring>& texts);
std::wstring Wide(const char* ascii);
