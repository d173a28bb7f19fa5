#include "plugin_discovery.h"

#include <stdio.h>

#include <memory>
#include <string>

#include "com_bstr.h"
#include "log.h"
#include "plugin_descriptor.h"
#include "registration.h"

namespace {

constexpr wchar_t kSource = L'C';
constexpr DWORD kPluginContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;

template <class Plugin> HRESULT CreateObject(REFCLSID clsid, ComPtr<Plugin>* object) {
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, kPluginContext, __uuidof(Plugin), object->AsVoidOut());
    if (SUCCEEDED(hr) && !*object)
        hr = E_NOINTERFACE;
    return hr;
}

// The name and descriptor every plug-in gives; false (logged) when they make it unusable.
template <class Plugin>
bool ReadIdentity(const CategoryWords& words, REFCLSID clsid, Plugin* object, ComBstr* name,
                  ComBstr* layout) {
    HRESULT hr = object->get_Name(&*name);
    if (FAILED(hr)) {
        LogErrorStr(kSource, words.cannotReadName, ClassDetail(clsid, hr).c_str());
        return false;
    }
    LogInfoStr(kSource, words.pluginName, name->c_str());
    // The name is used as a C string (a registry key's name): one that starts with a null
    // character is as empty as no name, and would write into the printer's own key.
    if (name->c_str()[0] == L'\0') {
        LogErrorStr(kSource, words.noName, ClassDetail(clsid, S_OK).c_str());
        return false;
    }
    hr = object->get_Layout(&*layout);
    if (FAILED(hr)) {
        LogErrorStr(kSource, words.cannotReadLayout, ClassDetail(clsid, hr).c_str());
        return false;
    }
    LogInfoStr(kSource, L"Plugin layout", layout->c_str());
    // The plug-in is kept with the parameters before the fault: without it a system whose only
    // plug-in of the kind has such a descriptor could not start at all.
    if (!DescriptorIsWellFormed(layout->c_str()))
        LogWarnStr(kSource, words.malformedLayout, name->c_str());
    return true;
}

} // namespace

const CategoryWords kTransportWords = {
    L"Load_transport_plugins [",
    L"Load_transport_plugins ]",
    L"CQLX::load_transport_plugins EnumClassesOfCategories",
    L"CQLX::load_transport_plugins plugin=",
    L"CQLX::load_transport_plugins really loaded=",
    L"CQLX::load_transport_plugins No plug-ins detected",
    L"Release Plugin",
    L"UnLoad_transport_plugins [",
    L"UnLoad_transport_plugins ]",
    L"CQLX::load_transport_plugins Cannot create plugin",
    L"CQLX::load_transport_plugins Cannot read plugin name",
    L"CQLX::load_transport_plugins Plugin without name",
    L"CQLX::load_transport_plugins Cannot read plugin layout",
    L"CQLX::load_transport_plugins Malformed plugin layout, parameters after the fault dropped:",
    L"CQLX::load_transport_plugins Plugins share a name and its settings; selected by it:",
    L"CQLX::load_transport_plugins Never selected by name:",
};

const CategoryWords kFormatWords = {
    L"Load_format_plugins [",
    L"Load_format_plugins ]",
    L"CQLX::load_format_plugins EnumClassesOfCategories",
    L"CQLX::load_format_plugins plugin=",
    L"CQLX::load_format_plugins really loaded=",
    L"CQLX::load_format_plugins No render plug-ins detected",
    L"Release format plugin",
    L"UnLoad_format_plugins [",
    L"UnLoad_format_plugins ]",
    L"CQLX::load_format_plugins Cannot create plugin",
    L"CQLX::load_format_plugins Cannot read plugin name",
    L"CQLX::load_format_plugins Plugin without name",
    L"CQLX::load_format_plugins Cannot read plugin layout",
    L"CQLX::load_format_plugins Malformed plugin layout, parameters after the fault dropped:",
    L"CQLX::load_format_plugins Plugins share a name and its settings; selected by it:",
    L"CQLX::load_format_plugins Never selected by name:",
};

std::wstring ClassDetail(REFCLSID clsid, HRESULT hr) {
    wchar_t code[16];
    swprintf(code, sizeof(code) / sizeof(code[0]), L" 0x%08lX", static_cast<unsigned long>(hr));
    return GuidText(clsid) + code;
}

HRESULT EnumerateCategory(ICatInformation* categories, REFGUID category, const CategoryWords& words,
                          std::vector<CLSID>* classes) {
    CATID implemented = category;
    ComPtr<IEnumCLSID> found;
    HRESULT hr = categories->EnumClassesOfCategories(1, &implemented, static_cast<ULONG>(-1),
                                                     nullptr, &found);
    if (FAILED(hr) || !found) {
        LogErrorNum(kSource, words.enumFailed, FAILED(hr) ? hr : E_POINTER);
        return E_FAIL;
    }
    for (;;) {
        CLSID clsid = {};
        ULONG fetched = 0;
        hr = found->Next(1, &clsid, &fetched);
        if (hr != S_OK || fetched != 1)
            break;
        classes->push_back(clsid);
    }
    if (FAILED(hr))
        LogErrorNum(kSource, words.enumFailed, hr);
    return S_OK;
}

HRESULT CreatePluginObject(REFCLSID clsid, ComPtr<IQLX_TPLUGIN>* object) {
    return CreateObject(clsid, object);
}

HRESULT CreatePluginObject(REFCLSID clsid, ComPtr<IQLX_RPLUGIN>* object) {
    return CreateObject(clsid, object);
}

TransportRef DescribePlugin(CfgContext& context, REFCLSID clsid, IQLX_TPLUGIN* object) {
    ComBstr name, layout;
    if (!ReadIdentity(kTransportWords, clsid, object, std::addressof(name), std::addressof(layout)))
        return nullptr;
    auto record = std::make_shared<TransportRecord>(context, clsid, name.c_str());
    record->config.ParseLayout(layout.c_str());
    record->SetObject(object);
    return record;
}

FormatRef DescribePlugin(CfgContext& context, REFCLSID clsid, IQLX_RPLUGIN* object) {
    ComBstr name, layout, extension;
    if (!ReadIdentity(kFormatWords, clsid, object, std::addressof(name), std::addressof(layout)))
        return nullptr;
    // A plug-in without an extension still renders; only {{EXT}} comes out empty.
    HRESULT hr = object->get_Extension(&extension);
    if (FAILED(hr))
        LogWarnStr(kSource, L"CQLX::load_format_plugins Cannot read plugin extension",
                   name.c_str());
    auto record = std::make_shared<FormatRecord>(context, clsid, name.c_str(), extension.c_str());
    record->config.ParseLayout(layout.c_str());
    record->SetObject(object);
    return record;
}
