#pragma once
#include <windows.h>
#include <comcat.h>

#include <vector>

#include "cfg_context.h"
#include "com_ptr.h"
#include "plugin_records.h"

// The steps of discovering one category, shared by the two kinds of plug-in.

// The log lines of one category.
struct CategoryWords {
    const wchar_t* loadBegin;
    const wchar_t* loadEnd;
    const wchar_t* enumFailed;
    const wchar_t* pluginName;
    const wchar_t* reallyLoaded;
    const wchar_t* noneDetected;
    const wchar_t* releasePlugin;
    const wchar_t* unloadBegin;
    const wchar_t* unloadEnd;
    // Lines of a plug-in that is skipped.
    const wchar_t* cannotCreate;
    const wchar_t* cannotReadName;
    const wchar_t* noName;
    const wchar_t* cannotReadLayout;
    const wchar_t* malformedLayout;
    // Lines of plug-ins that give one name: the one a name selects, then each other one.
    const wchar_t* sharedNameUsed;
    const wchar_t* sharedNameUnused;
};
extern const CategoryWords kTransportWords;
extern const CategoryWords kFormatWords;

// The classes registered as implementing the category. E_FAIL (logged) when the manager can't
// enumerate them; an enumerator that fails part way gives the classes it gave until then.
HRESULT EnumerateCategory(ICatInformation* categories, REFGUID category, const CategoryWords& words,
                          std::vector<CLSID>* classes);

// In process or as local server, as the category's interface.
HRESULT CreatePluginObject(REFCLSID clsid, ComPtr<IQLX_TPLUGIN>* object);
HRESULT CreatePluginObject(REFCLSID clsid, ComPtr<IQLX_RPLUGIN>* object);

// A record for a created object with its name, descriptor (parsed into the section, so a
// malformed one is cut short at its fault, logged) and, for a format, its extension. Null,
// logged, when the plug-in can't be used: no name, an empty name (its section would be the
// printer's own key), or a descriptor that can't be read. Throws std::bad_alloc only when out
// of memory.
TransportRef DescribePlugin(CfgContext& context, REFCLSID clsid, IQLX_TPLUGIN* object);
FormatRef DescribePlugin(CfgContext& context, REFCLSID clsid, IQLX_RPLUGIN* object);

// "{clsid} 0xXXXXXXXX" for log lines.
std::wstring ClassDetail(REFCLSID clsid, HRESULT hr);
