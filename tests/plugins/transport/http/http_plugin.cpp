#include "http_plugin.h"

#include <gtest/gtest.h>

#include "com_bstr.h"
#include "com_variant.h"

HttpPlugin::HttpPlugin(DWORD timeoutMs) {
    if (FAILED(ComObject<CXFER_HTTPObject>::CreateHeld(&object_)))
        return;
    object_->SetNetworkTimeout(timeoutMs);
    object_->QueryInterface(IID_IQLX_TPLUGIN, plugin_.AsVoidOut());
    ComPtr<IConnectionPointContainer> container;
    if (SUCCEEDED(plugin_->QueryInterface(IID_IConnectionPointContainer, container.AsVoidOut())) &&
        SUCCEEDED(container->FindConnectionPoint(DIID__IQLX_TPlugin_Events, &point_)))
        point_->Advise(&sink_, &cookie_);
    EXPECT_NE(cookie_, 0u) << "no sink on the plug-in's events";
}

HttpPlugin::~HttpPlugin() {
    if (point_)
        point_->Unadvise(cookie_);
    point_.Release();
    plugin_.Release();
    if (object_)
        object_->Release();
}

HRESULT HttpPlugin::Put(const wchar_t* name, const std::wstring& value) {
    ComVariant v(value.c_str());
    return plugin_->PutParam(ComBstr(name), v);
}

HRESULT HttpPlugin::Put(const wchar_t* name, long value) {
    ComVariant v(value);
    return plugin_->PutParam(ComBstr(name), v);
}

void HttpPlugin::Target(const std::wstring& url, const std::wstring& file, bool put) {
    EXPECT_EQ(Put(L"url", url), S_OK);
    EXPECT_EQ(Put(L"file", file), S_OK);
    EXPECT_EQ(Put(L"put", put ? 1L : 0L), S_OK);
}

HRESULT HttpPlugin::Send(FakePages& pages, long wholeJob, long page) {
    sink_.events.clear();
    const HRESULT hr = plugin_->Send(&pages, wholeJob, page);
    EXPECT_EQ(pages.refs, 1) << "the plug-in kept a reference to the pages";
    return hr;
}

std::vector<std::wstring> HttpPlugin::Errors() const {
    std::vector<std::wstring> errors;
    for (size_t n = 0; n < sink_.events.size(); ++n) {
        if (sink_.events[n].dispid != 2)
            continue;
        EXPECT_EQ(sink_.Arg(n, 0), L"HTTP");
        errors.push_back(sink_.Arg(n, 1));
    }
    return errors;
}

std::vector<long> HttpPlugin::Progress() const {
    std::vector<long> percents;
    for (size_t n = 0; n < sink_.events.size(); ++n) {
        if (sink_.events[n].dispid != 3)
            continue;
        EXPECT_EQ(sink_.Arg(n, 0), L"HTTP");
        const VARIANT& percent = sink_.events[n].args.at(1);
        percents.push_back(percent.vt == VT_I4 ? percent.lVal : -1);
    }
    return percents;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? std::string(1, static_cast<char>(c))
                        : "\\u" + std::to_string(static_cast<unsigned>(c));
    return out;
}

std::string Join(const std::vector<std::wstring>& texts) {
    std::string out;
    for (const std::wstring& text : texts)
        out += (out.empty() ? "" : " | ") + Narrow(text);
    return out;
}

std::wstring Wide(const char* ascii) {
    return std::wstring(ascii, ascii + strlen(ascii));
}
