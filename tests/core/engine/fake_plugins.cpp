#include "fake_plugins.h"

#include "com_bstr.h"
#include "com_result.h"
#include "com_variant.h"
#include "plugin_categories.h"
#include "registration.h"

namespace {

// {6C1B7E20-3D4A-4F5B-8C6D-7E8F9A0B1C21} and the next two.
const CLSID kAlphaClsid = {
    0x6c1b7e20, 0x3d4a, 0x4f5b, {0x8c, 0x6d, 0x7e, 0x8f, 0x9a, 0x0b, 0x1c, 0x21}};
const CLSID kBetaClsid = {
    0x6c1b7e21, 0x3d4a, 0x4f5b, {0x8c, 0x6d, 0x7e, 0x8f, 0x9a, 0x0b, 0x1c, 0x21}};
const CLSID kPlainClsid = {
    0x6c1b7e22, 0x3d4a, 0x4f5b, {0x8c, 0x6d, 0x7e, 0x8f, 0x9a, 0x0b, 0x1c, 0x21}};

HRESULT Text(const std::wstring& text, BSTR* out) {
    RETURN_IF_NULL(out);
    *out = SysAllocString(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace

template <class Itf>
void FakePluginBase<Itf>::FireChangeParam(const wchar_t* param, const VARIANT& value) noexcept {
    VARIANT args[3];
    args[0] = value; // borrowed: not cleared
    ComVariant paramText(param), nameText(name_.c_str());
    args[1] = paramText;
    args[2] = nameText;
    DISPPARAMS params = {args, nullptr, 3, 0};
    events_.FireDispatch(1, &params);
}

template <class Itf> STDMETHODIMP FakePluginBase<Itf>::GetTypeInfoCount(UINT* count) {
    RETURN_IF_NULL(count);
    *count = 0;
    return S_OK;
}
template <class Itf> STDMETHODIMP FakePluginBase<Itf>::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}
template <class Itf>
STDMETHODIMP FakePluginBase<Itf>::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}
template <class Itf>
STDMETHODIMP FakePluginBase<Itf>::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                         EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}
template <class Itf> STDMETHODIMP FakePluginBase<Itf>::GetParam(BSTR name, VARIANT* value) {
    RETURN_IF_NULL(value);
    VariantInit(value);
    AcquireSRWLockExclusive(&values_lock_);
    auto it = values_.find(name ? name : L"");
    HRESULT hr = it == values_.end() ? E_FAIL : VariantCopy(value, &it->second);
    ReleaseSRWLockExclusive(&values_lock_);
    return hr;
}
template <class Itf> STDMETHODIMP FakePluginBase<Itf>::PutParamUI(BSTR name, VARIANT value) {
    InterlockedIncrement(&put_ui_calls_);
    return PutParam(name, value);
}
template <class Itf> STDMETHODIMP FakePluginBase<Itf>::PutParam(BSTR name, VARIANT value) {
    InterlockedIncrement(&put_calls_);
    ComVariant copy;
    HRESULT hr = VariantCopy(&copy, &value);
    if (FAILED(hr))
        return hr;
    AcquireSRWLockExclusive(&values_lock_);
    values_[name ? name : L""] = copy;
    ReleaseSRWLockExclusive(&values_lock_);
    return S_OK;
}
template <class Itf> STDMETHODIMP FakePluginBase<Itf>::ResetParams() {
    AcquireSRWLockExclusive(&values_lock_);
    values_.clear();
    ReleaseSRWLockExclusive(&values_lock_);
    return S_OK;
}
template <class Itf> std::wstring FakePluginBase<Itf>::Value(const wchar_t* name) {
    ComVariant value;
    if (FAILED(GetParam(ComBstr(name), &value)))
        return L"<none>";
    if (value.vt == VT_I4)
        return std::to_wstring(value.lVal);
    return value.vt == VT_BSTR && value.bstrVal ? value.bstrVal : L"";
}
template <class Itf> STDMETHODIMP FakePluginBase<Itf>::get_Name(BSTR* name) {
    return Text(name_, name);
}
template <class Itf> STDMETHODIMP FakePluginBase<Itf>::get_Layout(BSTR* layout) {
    return Text(layout_, layout);
}
template <class Itf>
STDMETHODIMP FakePluginBase<Itf>::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}
template <class Itf>
STDMETHODIMP FakePluginBase<Itf>::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    ConnectionPoint* points[] = {&events_};
    return FindConnectionPointIn(points, 1, iid, out);
}

template class FakePluginBase<IQLX_TPLUGIN>;
template class FakePluginBase<IQLX_RPLUGIN>;

void FakeTransport::FireError(const wchar_t* message) noexcept {
    ComVariant args[2] = {ComVariant(message), ComVariant(name_.c_str())};
    DISPPARAMS params = {args, nullptr, 2, 0};
    events_.FireDispatch(2, &params);
}

void FakeTransport::FireProgress(long value) noexcept {
    ComVariant args[2] = {ComVariant(value), ComVariant(name_.c_str())};
    DISPPARAMS params = {args, nullptr, 2, 0};
    events_.FireDispatch(3, &params);
}

std::vector<std::wstring> FakeTransport::Calls() {
    AcquireSRWLockExclusive(&calls_lock_);
    std::vector<std::wstring> copy = calls_;
    ReleaseSRWLockExclusive(&calls_lock_);
    return copy;
}
std::vector<std::wstring> FakeTransport::PagesRead() {
    AcquireSRWLockExclusive(&calls_lock_);
    std::vector<std::wstring> copy = read_;
    ReleaseSRWLockExclusive(&calls_lock_);
    return copy;
}
void FakeTransport::ClearCalls() {
    AcquireSRWLockExclusive(&calls_lock_);
    calls_.clear();
    read_.clear();
    ReleaseSRWLockExclusive(&calls_lock_);
}
void FakeTransport::FailAt(const std::wstring& call) {
    AcquireSRWLockExclusive(&calls_lock_);
    fail_at_ = call;
    ReleaseSRWLockExclusive(&calls_lock_);
}
void FakeTransport::SetDuringSend(std::function<void(IRenderedCollection*)> action) {
    AcquireSRWLockExclusive(&calls_lock_);
    during_send_ = std::move(action);
    ReleaseSRWLockExclusive(&calls_lock_);
}
HRESULT FakeTransport::Record(const std::wstring& call, const wchar_t* kind) {
    AcquireSRWLockExclusive(&calls_lock_);
    calls_.push_back(call);
    const bool fail = fail_at_ == kind;
    ReleaseSRWLockExclusive(&calls_lock_);
    return fail ? E_FAIL : S_OK;
}
STDMETHODIMP FakeTransport::StartJob() {
    return Record(L"StartJob", L"StartJob");
}
STDMETHODIMP FakeTransport::Send(IRenderedCollection* pages, LONG whole, LONG page) {
    const HRESULT hr =
        Record(L"Send(" + std::to_wstring(whole) + L"," + std::to_wstring(page) + L")", L"Send");
    AcquireSRWLockExclusive(&calls_lock_);
    std::function<void(IRenderedCollection*)> action = during_send_;
    ReleaseSRWLockExclusive(&calls_lock_);
    if (action)
        action(pages);
    LONG count = 0;
    if (pages && SUCCEEDED(pages->Count(&count))) {
        for (LONG i = 0; i < count; ++i) {
            BSTR text = nullptr;
            const std::wstring read =
                SUCCEEDED(pages->GetItem(i, &text)) && text ? text : L"<failed>";
            SysFreeString(text);
            AcquireSRWLockExclusive(&calls_lock_);
            read_.push_back(read);
            ReleaseSRWLockExclusive(&calls_lock_);
        }
    }
    return hr;
}
STDMETHODIMP FakeTransport::EndJob() {
    return Record(L"EndJob", L"EndJob");
}

STDMETHODIMP FakeFormat::get_Description(BSTR* text) {
    return Text(L"Fake format", text);
}
std::vector<std::wstring> FakeFormat::Rendered() {
    AcquireSRWLockExclusive(&render_lock_);
    std::vector<std::wstring> copy = rendered_;
    ReleaseSRWLockExclusive(&render_lock_);
    return copy;
}
void FakeFormat::ClearRendered() {
    AcquireSRWLockExclusive(&render_lock_);
    rendered_.clear();
    ReleaseSRWLockExclusive(&render_lock_);
}
STDMETHODIMP FakeFormat::StartPage(LONG page, LONG, LONG) {
    AcquireSRWLockExclusive(&render_lock_);
    page_ = plain_ ? std::wstring() : std::to_wstring(page) + L":";
    ReleaseSRWLockExclusive(&render_lock_);
    return S_OK;
}
STDMETHODIMP FakeFormat::AddItem(LONG, LONG, LONG, LONG, BSTR text, BSTR) {
    AcquireSRWLockExclusive(&render_lock_);
    if (!plain_ && page_.back() != L':')
        page_ += L"|";
    page_ += text ? text : L"";
    ReleaseSRWLockExclusive(&render_lock_);
    return S_OK;
}
STDMETHODIMP FakeFormat::EndPage(BSTR* text) {
    AcquireSRWLockExclusive(&render_lock_);
    const std::wstring page = page_;
    rendered_.push_back(page);
    ReleaseSRWLockExclusive(&render_lock_);
    return Text(page, text);
}
void FakeFormat::SetHeaderFooter(const std::wstring& header, const std::wstring& footer) {
    AcquireSRWLockExclusive(&render_lock_);
    header_ = header;
    footer_ = footer;
    ReleaseSRWLockExclusive(&render_lock_);
}
STDMETHODIMP FakeFormat::GetHeader(LONG, BSTR* text) {
    AcquireSRWLockExclusive(&render_lock_);
    const std::wstring header = header_;
    ReleaseSRWLockExclusive(&render_lock_);
    if (text)
        *text = nullptr;
    return header.empty() ? E_NOTIMPL : Text(header, text);
}
STDMETHODIMP FakeFormat::GetFooter(BSTR* text) {
    AcquireSRWLockExclusive(&render_lock_);
    const std::wstring footer = footer_;
    ReleaseSRWLockExclusive(&render_lock_);
    if (text)
        *text = nullptr;
    return footer.empty() ? E_NOTIMPL : Text(footer, text);
}
STDMETHODIMP FakeFormat::get_Extension(BSTR* text) {
    return Text(L"txt", text);
}

STDMETHODIMP FakePluginFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    HRESULT hr = CheckCreateArguments(outer, out);
    if (FAILED(hr))
        return hr;
    return object_->QueryInterface(iid, out);
}

struct FakePluginSet::Entry {
    CLSID clsid;
    GUID category;
    FakePluginFactory factory;
    ClassObjectRegistration registration;
    Entry(const CLSID& clsid, REFGUID category, IUnknown* object)
        : clsid(clsid), category(category), factory(object) {}
};

FakePluginSet::FakePluginSet() {
    const struct {
        const CLSID* clsid;
        const wchar_t* name;
    } transports[] = {{&kBetaClsid, L"Beta"}, {&kAlphaClsid, L"Alpha"}};
    result_ = RegisterComponentCategory(CATID_QlxTransportPlugins, kTransportCategoryName);
    if (SUCCEEDED(result_))
        result_ = RegisterComponentCategory(CATID_QlxRenderingPlugins, kRenderingCategoryName);
    for (const auto& t : transports) {
        ComObject<FakeTransport>* object = nullptr;
        HRESULT hr =
            ComObject<FakeTransport>::CreateHeld(&object, t.name, L"Lcount,Bpath,Epassword");
        if (SUCCEEDED(hr)) {
            transports_.push_back(object);
            hr = Register(*t.clsid, static_cast<IQLX_TPLUGIN*>(object), CATID_QlxTransportPlugins);
        }
        if (SUCCEEDED(result_))
            result_ = hr;
    }
    ComObject<FakeFormat>* format = nullptr;
    HRESULT hr = ComObject<FakeFormat>::CreateHeld(&format, L"Plain", L"Lwidth");
    if (SUCCEEDED(hr)) {
        format_ = format;
        hr = Register(kPlainClsid, static_cast<IQLX_RPLUGIN*>(format), CATID_QlxRenderingPlugins);
    }
    if (SUCCEEDED(result_))
        result_ = hr;
}

HRESULT FakePluginSet::Register(const CLSID& clsid, IUnknown* object, REFGUID category) {
    Entry* entry = new Entry(clsid, category, object);
    entries_.push_back(entry);
    RETURN_IF_FAILED(RegisterImplementedCategory(clsid, category));
    return entry->registration.Register(clsid, &entry->factory, CLSCTX_INPROC_SERVER);
}

FakePluginSet::~FakePluginSet() {
    for (Entry* entry : entries_) {
        entry->registration.Revoke();
        UnregisterImplementedCategory(entry->clsid, entry->category);
        delete entry;
    }
    for (FakeTransport* transport : transports_)
        static_cast<IQLX_TPLUGIN*>(transport)->Release();
    if (format_)
        static_cast<IQLX_RPLUGIN*>(format_)->Release();
}

FakeTransport* FakePluginSet::Transport(const wchar_t* name) {
    for (FakeTransport* transport : transports_) {
        ComBstr text;
        if (SUCCEEDED(transport->get_Name(&text)) && wcscmp(text.c_str(), name) == 0)
            return transport;
    }
    return nullptr;
}

std::vector<size_t> FakePluginSet::SinkCounts() {
    std::vector<size_t> counts;
    for (FakeTransport* transport : transports_)
        counts.push_back(transport->SinkCount());
    if (format_)
        counts.push_back(format_->SinkCount());
    return counts;
}
