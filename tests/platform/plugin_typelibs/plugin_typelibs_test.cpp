#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "com_bstr.h"
#include "com_ptr.h"
#include "plugin_typelib_paths.h"
#include "qlx_rplugin.h"
#include "qlx_tplugin.h"

namespace {

struct Library {
    const wchar_t* path;
    GUID libid;
    WORD major, minor;
};

struct Interface {
    const char* row;
    const wchar_t* library;
    GUID iid;
    bool dual;                         // vtable order of a dual interface, else dispatch order
    std::vector<std::wstring> members; // in declaration order
    std::vector<DISPID> dispids;       // of the dispatch interfaces' members
};

ComPtr<ITypeLib> Load(const wchar_t* path) {
    ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadTypeLibEx(path, REGKIND_NONE, &library), S_OK) << "cannot load";
    return library;
}

TEST(PluginTypeLibraries, CarryTheirIdsAndVersions) {
    const Library libraries[] = {
        {QLX_TPLUGIN_TLB, LIBID_IQLX_TPLUGINLib, 5, 8},
        {QLX_RPLUGIN_TLB, LIBID_IQLX_RPLUGINLib, 5, 4},
    };
    for (const Library& l : libraries) {
        ComPtr<ITypeLib> library = Load(l.path);
        ASSERT_TRUE(library);
        TLIBATTR* attributes = nullptr;
        ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
        EXPECT_TRUE(IsEqualGUID(attributes->guid, l.libid));
        EXPECT_EQ(attributes->wMajorVerNum, l.major);
        EXPECT_EQ(attributes->wMinorVerNum, l.minor);
        library->ReleaseTLibAttr(attributes);
    }
}

TEST(PluginTypeLibraries, InterfacesKeepTheirMemberOrder) {
    const Interface interfaces[] = {
        {"transport",
         QLX_TPLUGIN_TLB,
         IID_IQLX_TPLUGIN,
         true,
         {L"GetParam", L"PutParamUI", L"Name", L"Layout", L"StartJob", L"Send", L"EndJob",
          L"PutParam", L"UpdateUI", L"ResetParams"},
         {}},
        {"format",
         QLX_RPLUGIN_TLB,
         IID_IQLX_RPLUGIN,
         true,
         {L"GetParam", L"PutParamUI", L"Name", L"Description", L"Layout", L"StartPage", L"AddItem",
          L"EndPage", L"GetHeader", L"GetFooter", L"Extension", L"PutParam", L"UpdateUI",
          L"ResetParams"},
         {}},
        {"transport events",
         QLX_TPLUGIN_TLB,
         DIID__IQLX_TPlugin_Events,
         false,
         {L"OnChangeParam", L"OnError", L"OnProgress"},
         {1, 2, 3}},
        {"format events",
         QLX_RPLUGIN_TLB,
         DIID__IQLX_RPlugin_Events,
         false,
         {L"OnChangeParam"},
         {1}},
    };
    for (const Interface& i : interfaces) {
        ComPtr<ITypeLib> library = Load(i.library);
        ASSERT_TRUE(library) << i.row;
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(library->GetTypeInfoOfGuid(i.iid, &info), S_OK) << i.row;
        if (i.dual) {
            HREFTYPE ref = 0;
            ComPtr<ITypeInfo> vtable;
            ASSERT_EQ(info->GetRefTypeOfImplType(-1, &ref), S_OK) << i.row;
            ASSERT_EQ(info->GetRefTypeInfo(ref, &vtable), S_OK) << i.row;
            info = vtable;
        }
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
        const UINT count = attributes->cFuncs;
        info->ReleaseTypeAttr(attributes);
        // A dispatch interface also lists the seven IUnknown and IDispatch members first.
        const UINT first = count - static_cast<UINT>(i.members.size());
        ASSERT_GE(count, i.members.size()) << i.row;
        for (UINT f = first; f < count; ++f) {
            FUNCDESC* func = nullptr;
            ASSERT_EQ(info->GetFuncDesc(f, &func), S_OK);
            BSTR raw = nullptr;
            UINT got = 0;
            info->GetNames(func->memid, &raw, 1, &got);
            ComBstr name;
            name.Attach(raw);
            EXPECT_EQ(std::wstring(name.c_str()), i.members[f - first])
                << i.row << " member " << f - first;
            if (!i.dispids.empty()) {
                EXPECT_EQ(func->memid, i.dispids[f - first]) << i.row << " member " << f - first;
            }
            info->ReleaseFuncDesc(func);
        }
    }
}

} // namespace
