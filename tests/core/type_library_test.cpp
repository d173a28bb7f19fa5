#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "build_paths.h"
#include "com_bstr.h"
#include "com_ptr.h"
#include "qlx_core.h"

namespace {

struct Member {
    DISPID dispid;
    const wchar_t* name;
    INVOKEKIND kind;
};

class CoreTypeLibrary : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadTypeLibEx(QLX_CORE_TLB, REGKIND_NONE, &library_), S_OK); }

    ComPtr<ITypeInfo> Info(REFGUID guid) {
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(library_->GetTypeInfoOfGuid(guid, &info), S_OK);
        return info;
    }
    // The vtable description of a dual interface (its dispatch description otherwise).
    ComPtr<ITypeInfo> VtableOf(ITypeInfo* dispatch) {
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> vtable;
        if (SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &ref)))
            dispatch->GetRefTypeInfo(ref, &vtable);
        return vtable;
    }
    // The members in declaration order, from the first one after the base interface.
    static std::vector<Member> Members(ITypeInfo* info) {
        std::vector<Member> members;
        TYPEATTR* attributes = nullptr;
        if (FAILED(info->GetTypeAttr(&attributes)))
            return members;
        const WORD count = attributes->cFuncs;
        info->ReleaseTypeAttr(attributes);
        for (UINT i = 0; i < count; ++i) {
            FUNCDESC* func = nullptr;
            if (FAILED(info->GetFuncDesc(i, &func)))
                break;
            ComBstr name;
            UINT got = 0;
            BSTR raw = nullptr;
            info->GetNames(func->memid, &raw, 1, &got);
            name.Attach(raw);
            members.push_back({func->memid, nullptr, func->invkind});
            names_.push_back(name.c_str());
            info->ReleaseFuncDesc(func);
        }
        return members;
    }
    static void ExpectMembers(ITypeInfo* info, const std::vector<Member>& expected) {
        names_.clear();
        std::vector<Member> actual = Members(info);
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(names_[i], expected[i].name) << "member " << i;
            EXPECT_EQ(actual[i].dispid, expected[i].dispid) << "member " << i;
            EXPECT_EQ(actual[i].kind, expected[i].kind) << "member " << i;
        }
    }

    ComPtr<ITypeLib> library_;
    static std::vector<std::wstring> names_;
};
std::vector<std::wstring> CoreTypeLibrary::names_;

constexpr INVOKEKIND M = INVOKE_FUNC;
constexpr INVOKEKIND G = INVOKE_PROPERTYGET;
constexpr INVOKEKIND P = INVOKE_PROPERTYPUT;

TEST_F(CoreTypeLibrary, CarriesItsLibraryIdAndVersion) {
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_QLX_CORELib));
    EXPECT_EQ(attributes->wMajorVerNum, 6);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    library_->ReleaseTLibAttr(attributes);
    ComBstr name;
    ASSERT_EQ(library_->GetDocumentation(-1, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name.c_str(), L"QLX_CORELib");
}

TEST_F(CoreTypeLibrary, AutomationInterfaceKeepsItsOrderAndDispids) {
    ComPtr<ITypeInfo> vtable = VtableOf(Info(IID_IQLX));
    ASSERT_TRUE(vtable);
    ExpectMembers(vtable, {{0, L"value", G},
                           {0, L"value", P},
                           {1, L"GetPage", M},
                           {2, L"SavePage", M},
                           {3, L"SavePageWait", M},
                           {4, L"UpdatePage", M},
                           {5, L"SaveAllPages", M},
                           {6, L"SaveAllPagesWait", M},
                           {7, L"CancelJob", M},
                           {8, L"CancelJobWait", M},
                           {9, L"CancelAllJobs", M},
                           {10, L"SaveConfiguration", M},
                           {11, L"SaveCommonConfiguration", M},
                           {12, L"Redirect", M},
                           {13, L"RedirectWait", M},
                           {14, L"LoadUI", M},
                           {15, L"UnloadUI", M},
                           {16, L"GetEMFPage", M},
                           {17, L"SetEMFPage", M},
                           {18, L"Stop", M},
                           {19, L"DocumentName", G},
                           {20, L"TotalPages", G},
                           {21, L"RenderedPages", G},
                           {22, L"JobProperty", G},
                           {23, L"TotalJobs", G},
                           {24, L"Listeners", G},
                           {25, L"AutoSave", G},
                           {25, L"AutoSave", P},
                           {26, L"Identity", G},
                           {26, L"Identity", P},
                           {27, L"UILoaded", G},
                           {27, L"UILoaded", P},
                           {28, L"UILoadedWithEvents", P},
                           {29, L"Format", G},
                           {29, L"Format", P},
                           {30, L"FormatParam", G},
                           {30, L"FormatParam", P},
                           {31, L"FormatParamNoCheck", P},
                           {32, L"FormatPluginNames", G},
                           {33, L"FormatCheckSettings", M},
                           {34, L"Transport", G},
                           {34, L"Transport", P},
                           {35, L"TransportParam", G},
                           {35, L"TransportParam", P},
                           {36, L"TransportParamNoCheck", P},
                           {37, L"TransportPluginNames", G},
                           {38, L"TransportCheckSettings", M},
                           {39, L"printer", G},
                           {39, L"printer", P},
                           {40, L"Printers", G},
                           {41, L"RedirectPrinter", G},
                           {41, L"RedirectPrinter", P},
                           {42, L"SystemPrinters", G},
                           {43, L"DefaultPrinter", G}});
}

TEST_F(CoreTypeLibrary, EventsAreDispids1To12) {
    ComPtr<ITypeInfo> events = Info(DIID__IQLXEvents);
    ASSERT_TRUE(events);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(events->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    events->ReleaseTypeAttr(attributes);
    ExpectMembers(events, {{1, L"OnStartJob", M},
                           {2, L"OnError", M},
                           {3, L"OnPageRendered", M},
                           {4, L"OnAllPagesRendered", M},
                           {5, L"OnProgress", M},
                           {6, L"OnUnload", M},
                           {7, L"OnCancelJob", M},
                           {8, L"OnSavingEvent", M},
                           {9, L"OnPageSaving", M},
                           {10, L"OnAddRemovePrinter", M},
                           {11, L"OnSettingChanged", M},
                           {12, L"OnSettingChangeFailed", M}});
}

TEST_F(CoreTypeLibrary, StringCollectionDispids) {
    ComPtr<ITypeInfo> vtable = VtableOf(Info(IID_IQLX_BSTR_Collection));
    ASSERT_TRUE(vtable);
    ExpectMembers(vtable, {{0, L"Item", M},
                           {1, L"Count", G},
                           {DISPID_NEWENUM, L"_NewEnum", G},
                           {2, L"Add", M},
                           {3, L"Replace", M},
                           {4, L"Remove", M},
                           {5, L"RemoveAll", M},
                           {6, L"GetItem", M},
                           {7, L"Insert", M},
                           {8, L"Contains", M}});
}

// The interfaces without IDispatch are called through their vtables: their order is the
// contract (member ids of such interfaces are widl's own numbering, not compared).
TEST_F(CoreTypeLibrary, VtableInterfacesKeepTheirMethodOrder) {
    struct Row {
        const char* name;
        const IID* iid;
        std::vector<std::wstring> methods;
    };
    const Row rows[] = {
        {"IQLX_INT",
         &IID_IQLX_INT,
         {L"int_StartJob", L"int_StartPage", L"int_Add", L"int_EndJob", L"int_AddRemovePrinter",
          L"int_DefaultPrinterChanged"}},
        {"IRenderedCollection",
         &IID_IRenderedCollection,
         {L"Item", L"Count", L"GetItem", L"Unicode", L"ItemSize", L"TranslateString", L"JobSize"}},
    };
    for (const Row& row : rows) {
        names_.clear();
        Members(Info(*row.iid));
        EXPECT_EQ(names_, row.methods) << row.name;
    }
}

TEST_F(CoreTypeLibrary, EngineClassNamesItsInterfacesAndEvents) {
    ComPtr<ITypeInfo> engine = Info(CLSID_QLX);
    ASSERT_TRUE(engine);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(engine->GetTypeAttr(&attributes), S_OK);
    const UINT count = attributes->cImplTypes;
    engine->ReleaseTypeAttr(attributes);
    std::vector<std::pair<std::wstring, INT>> implemented;
    for (UINT i = 0; i < count; ++i) {
        HREFTYPE ref = 0;
        INT flags = 0;
        ComPtr<ITypeInfo> one;
        ASSERT_EQ(engine->GetRefTypeOfImplType(i, &ref), S_OK);
        ASSERT_EQ(engine->GetImplTypeFlags(i, &flags), S_OK);
        ASSERT_EQ(engine->GetRefTypeInfo(ref, &one), S_OK);
        ComBstr name;
        one->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
        implemented.emplace_back(name.c_str(), flags);
    }
    const std::vector<std::pair<std::wstring, INT>> expected = {
        {L"IQLX", IMPLTYPEFLAG_FDEFAULT},
        {L"IQLX_INT", 0},
        {L"IRenderedCollection", 0},
        {L"_IQLXEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
    EXPECT_EQ(implemented, expected);
}

} // namespace
