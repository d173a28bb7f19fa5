#include "transport_page.h"

#include "com_bstr.h"
#include "com_variant.h"

EmbeddedTransport::EmbeddedTransport(const wchar_t* library, const CLSID& clsid,
                                     const wchar_t* name)
    : registration_(library) {
    result_ = registration_.Result();
    if (FAILED(result_))
        return;
    result_ = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IQLX_TPLUGIN,
                               plugin_.AsVoidOut());
    if (FAILED(result_))
        return;
    events_ = std::make_unique<TransportEvents>(plugin_.Get(), name);
    result_ = host_.Embed(plugin_.Get(), RECT{0, 0, 300, 280});
    if (FAILED(result_))
        return;
    page_ = host_.ControlWindow();
    result_ = IsWindow(page_) ? S_OK : E_FAIL;
}

EmbeddedTransport::~EmbeddedTransport() {
    events_.reset();
    host_.Close();
    plugin_.Release();
}

std::wstring EmbeddedTransport::Param(const wchar_t* name) const {
    ComVariant value;
    if (FAILED(plugin_->GetParam(ComBstr(name), &value)))
        return L"<failed>";
    if (value.vt == VT_BSTR)
        return value.bstrVal ? value.bstrVal : L"";
    return value.vt == VT_I4 ? L"#" + std::to_wstring(value.lVal) : L"<type>";
}

HRESULT EmbeddedTransport::PutUI(const wchar_t* name, const wchar_t* text) {
    const HRESULT hr = plugin_->PutParamUI(ComBstr(name), ComVariant(text));
    host_.Pump();
    return hr;
}

HRESULT EmbeddedTransport::PutUI(const wchar_t* name, long number) {
    const HRESULT hr = plugin_->PutParamUI(ComBstr(name), ComVariant(number));
    host_.Pump();
    return hr;
}

std::wstring EmbeddedTransport::WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}
