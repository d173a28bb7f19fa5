#include "prn_test_env.h"

#include <gtest/gtest.h>

#include <winspool.h>

#include "com_bstr.h"
#include "com_safearray.h"

namespace {

std::wstring Text(const VARIANT& value) {
    if (value.vt == VT_BSTR)
        return std::wstring(value.bstrVal ? value.bstrVal : L"", SysStringLen(value.bstrVal));
    if (value.vt == VT_I4)
        return L"#" + std::to_wstring(value.lVal);
    if (value.vt == (VT_ARRAY | VT_UI1)) {
        LONG low = 0, high = -1;
        if (value.parray) {
            SafeArrayGetLBound(value.parray, 1, &low);
            SafeArrayGetUBound(value.parray, 1, &high);
        }
        return L"bytes:" + std::to_wstring(high - low + 1);
    }
    return L"?vt=" + std::to_wstring(value.vt);
}

std::wstring NameOfEvent(const RecordingSink& sink, size_t n) {
    return sink.Arg(n, 0);
}

} // namespace

std::wstring Param(IQLX_TPLUGIN* plugin, const wchar_t* name) {
    ComVariant value;
    const HRESULT hr = plugin->GetParam(ComBstr(name).Get(), &value);
    if (FAILED(hr))
        return L"hr=" + std::to_wstring(hr);
    return Text(value);
}

std::vector<unsigned char> ParamBytes(IQLX_TPLUGIN* plugin, const wchar_t* name) {
    ComVariant value;
    std::vector<unsigned char> bytes;
    if (FAILED(plugin->GetParam(ComBstr(name).Get(), &value)) || value.vt != (VT_ARRAY | VT_UI1) ||
        !value.parray)
        return bytes;
    LONG low = 0, high = -1;
    SafeArrayGetLBound(value.parray, 1, &low);
    SafeArrayGetUBound(value.parray, 1, &high);
    SafeArrayAccess data(value.parray);
    if (data && high >= low) {
        const auto* first = static_cast<const unsigned char*>(data.Data());
        bytes.assign(first, first + (high - low + 1));
    }
    return bytes;
}

HRESULT Put(IQLX_TPLUGIN* plugin, const wchar_t* name, const VARIANT& value) {
    return plugin->PutParam(ComBstr(name).Get(), value);
}

HRESULT PutUI(IQLX_TPLUGIN* plugin, const wchar_t* name, const VARIANT& value) {
    return plugin->PutParamUI(ComBstr(name).Get(), value);
}

ComVariant ByteArray(const std::vector<unsigned char>& bytes) {
    ComVariant value;
    ComSafeArray array;
    if (!array.Create(VT_UI1, static_cast<ULONG>(bytes.size())))
        return value;
    if (!bytes.empty()) {
        SafeArrayAccess data(array.Get());
        memcpy(data.Data(), bytes.data(), bytes.size());
    }
    value.vt = VT_ARRAY | VT_UI1;
    value.parray = array.Detach();
    return value;
}

EventLog::EventLog(IUnknown* plugin) {
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(plugin->QueryInterface(IID_IConnectionPointContainer, container.AsVoidOut()), S_OK);
    if (!container)
        return;
    EXPECT_EQ(container->FindConnectionPoint(DIID__IQLX_TPlugin_Events, &point_), S_OK);
    if (point_) {
        EXPECT_EQ(point_->Advise(&sink_, &cookie_), S_OK);
    }
}

EventLog::~EventLog() {
    if (point_)
        point_->Unadvise(cookie_);
}

std::vector<std::wstring> EventLog::Errors() const {
    std::vector<std::wstring> errors;
    for (size_t n = 0; n < sink_.events.size(); ++n) {
        if (sink_.events[n].dispid != 2)
            continue;
        EXPECT_EQ(NameOfEvent(sink_, n), L"Printer");
        errors.push_back(sink_.Arg(n, 1));
    }
    return errors;
}

std::vector<long> EventLog::Progress() const {
    std::vector<long> progress;
    for (size_t n = 0; n < sink_.events.size(); ++n) {
        if (sink_.events[n].dispid != 3)
            continue;
        EXPECT_EQ(NameOfEvent(sink_, n), L"Printer");
        progress.push_back(sink_.events[n].args.at(1).lVal);
    }
    return progress;
}

std::vector<std::wstring> EventLog::Changes() const {
    std::vector<std::wstring> changes;
    for (size_t n = 0; n < sink_.events.size(); ++n) {
        if (sink_.events[n].dispid != 1)
            continue;
        EXPECT_EQ(NameOfEvent(sink_, n), L"Printer");
        changes.push_back(sink_.Arg(n, 1) + L"=" + Text(sink_.events[n].args.at(2)));
    }
    return changes;
}

bool PrinterListed(const std::wstring& name) {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, nullptr))
        return false;
    ClosePrinter(printer);
    return true;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}
