#include "config_fakes.h"

#include <string.h>

void FakeEngine::PostOnSettingChanged(BSTR target, BSTR param, const VARIANT& newVal) {
    Event event{target ? target : L"", param ? param : L"", ComVariant()};
    event.newVal.CopyFrom(&newVal);
    events.push_back(event);
}

FakePlugin::FakePlugin(std::map<std::wstring, ComVariant> defaults)
    : defaults(std::move(defaults)) {
    values = this->defaults;
}

HRESULT FakePlugin::PutParam(BSTR name, const VARIANT& value) {
    putOrder.push_back(name);
    ComVariant copy;
    HRESULT hr = copy.CopyFrom(&value);
    if (SUCCEEDED(hr))
        values[name] = copy;
    return hr;
}

HRESULT FakePlugin::GetParam(BSTR name, VARIANT* value) {
    auto answer = answers.find(name);
    if (answer != answers.end()) {
        VariantCopy(value, &answer->second.value);
        return answer->second.hr;
    }
    auto it = values.find(name);
    if (it == values.end())
        return E_FAIL;
    return VariantCopy(value, &it->second);
}

HRESULT FakePlugin::UpdateUI() {
    ++updateCalls;
    return S_OK;
}

HRESULT FakePlugin::ResetParams() {
    ++resetCalls;
    values = defaults;
    return S_OK;
}

void FakePlugins::Add(Group group, CfgContext& context, const wchar_t* name, const wchar_t* layout,
                      FakePlugin* plugin) {
    Record record{std::make_unique<CfgData>(context, name), plugin};
    record.config->ParseLayout(layout);
    records[group].push_back(std::move(record));
}

unsigned FakePlugins::Count(Group group) {
    return static_cast<unsigned>(records[group].size());
}

CfgData& FakePlugins::Section(Group group, unsigned index) {
    return *records[group][index].config;
}

PluginParams* FakePlugins::Params(Group group, unsigned index) {
    return records[group][index].plugin;
}

bool FakePlugins::Select(Group group, const wchar_t* names) {
    const std::wstring list = names ? names : L"";
    bool found = false;
    for (const Record& record : records[group]) {
        const std::wstring name = record.config->Section().c_str();
        const std::wstring padded = L"," + list + L",";
        if (group == kFormats ? name == list
                              : padded.find(L"," + name + L",") != std::wstring::npos)
            found = true;
    }
    selected[group] = list;
    return found;
}

ComVariant ByteArrayVariant(const std::string& bytes) {
    ComVariant value;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    if (array && SUCCEEDED(SafeArrayAccessData(array, &data))) {
        if (!bytes.empty())
            memcpy(data, bytes.data(), bytes.size());
        SafeArrayUnaccessData(array);
    }
    value.vt = VT_ARRAY | VT_UI1;
    value.parray = array;
    return value;
}

namespace {

std::string BytesOfArray(SAFEARRAY* array) {
    if (!array)
        return "";
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    std::string bytes;
    void* data = nullptr;
    if (upper >= lower && SUCCEEDED(SafeArrayAccessData(array, &data))) {
        bytes.assign(static_cast<const char*>(data), static_cast<size_t>(upper - lower + 1));
        SafeArrayUnaccessData(array);
    }
    return bytes;
}

} // namespace

std::string BytesOf(const VARIANT& value) {
    if (value.vt != (VT_ARRAY | VT_UI1))
        return "<not an array>";
    return BytesOfArray(value.parray);
}

std::string BytesOf(const SafeByteArray& bytes) {
    return BytesOfArray(bytes.Array());
}
