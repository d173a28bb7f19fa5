// The module's COM surface as Unidrv meets it: the class object, the plug-in's interfaces and
// the slots of its methods, GetInfo and the document property sheets.
#include <gtest/gtest.h>

#include "drvui_harness.h"

#include <commctrl.h>

namespace {

constexpr CLSID kUiPluginClass = {
    0xabce80d7, 0x9f46, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
constexpr CLSID kRenderPluginClass = {
    0x6d6abf26, 0x9f38, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
constexpr DWORD kSentinel = 0xDEADBEEF;

class DrvUiPluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(module_.Get(), nullptr) << "cannot load the module";
        plugin_ = module_.CreatePlugin();
        ASSERT_NE(plugin_, nullptr);
    }
    void TearDown() override {
        if (plugin_)
            plugin_->Release();
    }

    LoadedModule module_;
    IPrintOemUI2* plugin_ = nullptr;
};

TEST_F(DrvUiPluginTest, ClassObjectServesOnlyTheUiPluginClass) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(module_.GetClassObject(kRenderPluginClass, IID_IClassFactory, &out),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(module_.GetClassObject(kUiPluginClass, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)),
              S_OK);
    IUnknown* outer = plugin_;
    void* aggregated = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &aggregated), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(aggregated, nullptr);
    void* wrong = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &wrong), E_NOINTERFACE);
    EXPECT_EQ(wrong, nullptr);
    factory->Release();
}

TEST_F(DrvUiPluginTest, ModuleStaysLoadedWhileAnObjectOrALockLives) {
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
    plugin_->Release();
    plugin_ = nullptr;
    EXPECT_EQ(module_.CanUnloadNow(), S_OK);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(module_.GetClassObject(kUiPluginClass, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)),
              S_OK);
    factory->LockServer(TRUE);
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(module_.CanUnloadNow(), S_OK);
    factory->Release();
}

TEST_F(DrvUiPluginTest, AnswersTheUiInterfacesOnly) {
    struct Row {
        const char* name;
        const IID* iid;
        HRESULT expected;
    } rows[] = {
        {"IUnknown", &IID_IUnknown, S_OK},
        {"IPrintOemUI", &IID_IPrintOemUI, S_OK},
        {"IPrintOemUI2", &IID_IPrintOemUI2, S_OK},
        {"IClassFactory", &IID_IClassFactory, E_NOINTERFACE},
        {"IDispatch", &IID_IDispatch, E_NOINTERFACE},
    };
    for (const Row& row : rows) {
        IUnknown* out = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(plugin_->QueryInterface(*row.iid, reinterpret_cast<void**>(&out)), row.expected)
            << row.name;
        if (SUCCEEDED(row.expected) && out) {
            out->Release();
        } else {
            EXPECT_EQ(out, nullptr) << row.name;
        }
    }
}

// Unidrv calls by slot: GetInfo is slot 3, DocumentPropertySheets 7, DocumentEvent 19.
TEST_F(DrvUiPluginTest, MethodsSitInTheirSlots) {
    void** slots = *reinterpret_cast<void***>(plugin_);
    using GetInfoFn = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD, PVOID, DWORD, PDWORD);
    using SheetsFn = HRESULT(STDMETHODCALLTYPE*)(void*, PPROPSHEETUI_INFO, LPARAM);
    using EventFn =
        HRESULT(STDMETHODCALLTYPE*)(void*, HANDLE, HDC, INT, ULONG, PVOID, ULONG, PVOID, PINT);

    DWORD version = 0, needed = 0;
    EXPECT_EQ(reinterpret_cast<GetInfoFn>(slots[3])(plugin_, 3, &version, sizeof(version), &needed),
              S_OK);
    EXPECT_EQ(version, 6u);

    SetLastError(0);
    EXPECT_EQ(reinterpret_cast<SheetsFn>(slots[7])(plugin_, nullptr, 0), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    struct {
        DOCEVENT_FILTER filter;
        DWORD more;
    } room = {};
    room.filter.cElementsAllocated = 2;
    INT result = 0;
    EXPECT_EQ(reinterpret_cast<EventFn>(slots[19])(plugin_, nullptr, nullptr,
                                                   DOCUMENTEVENT_QUERYFILTER, 0, nullptr,
                                                   sizeof(room), &room, &result),
              S_OK);
    EXPECT_EQ(room.filter.cElementsReturned, 2u);
    EXPECT_EQ(result, DOCUMENTEVENT_SUCCESS);
}

TEST_F(DrvUiPluginTest, GetInfoChecksKindNeededSizeAndRoom) {
    struct Row {
        const char* name;
        DWORD kind;
        bool buffer;
        DWORD size;
        bool needed;
        HRESULT hr;
        DWORD error;       // last error on failure
        DWORD needed_size; // kSentinel: left alone
        DWORD value;       // kSentinel: left alone
    } rows[] = {
        {"signature", 1, true, 4, true, S_OK, 0, 4, 0x51584C54},
        {"version", 3, true, 4, true, S_OK, 0, 4, 6},
        {"larger buffer", 1, true, 16, true, S_OK, 0, 4, 0x51584C54},
        {"interface version kind", 2, true, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, kSentinel,
         kSentinel},
        {"publisher kind", 4, true, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, kSentinel, kSentinel},
        {"no needed size", 1, true, 4, false, E_FAIL, ERROR_INVALID_PARAMETER, kSentinel,
         kSentinel},
        {"short buffer", 1, true, 3, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, kSentinel},
        {"no buffer", 3, false, 4, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, kSentinel},
    };
    for (const Row& row : rows) {
        DWORD value[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
        DWORD needed = kSentinel;
        SetLastError(0);
        EXPECT_EQ(plugin_->GetInfo(row.kind, row.buffer ? value : nullptr, row.size,
                                   row.needed ? &needed : nullptr),
                  row.hr)
            << row.name;
        if (FAILED(row.hr)) {
            EXPECT_EQ(GetLastError(), row.error) << row.name;
        }
        EXPECT_EQ(needed, row.needed_size) << row.name;
        EXPECT_EQ(value[0], row.value) << row.name;
        EXPECT_EQ(value[1], kSentinel) << row.name;
    }
}

// What the fake property sheet was asked to do.
struct SheetCalls {
    int calls = 0;
    UINT function = 0;
    PROPSHEETPAGEW page = {};
    HWND shown_page_text = nullptr;
    std::wstring text;
};
SheetCalls* g_sheet = nullptr;

// The fake sheet's add-page service: keeps the page and builds it for real, in a modeless
// sheet, to read the page's text.
LONG_PTR CALLBACK FakeComPropSheet(HANDLE, UINT function, LPARAM lparam1, LPARAM) {
    ++g_sheet->calls;
    g_sheet->function = function;
    g_sheet->page = *reinterpret_cast<const PROPSHEETPAGEW*>(lparam1);
    HPROPSHEETPAGE page = CreatePropertySheetPageW(&g_sheet->page);
    if (!page)
        return 0;
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS;
    header.pszCaption = L"Document properties";
    header.nPages = 1;
    header.phpage = &page;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
    if (sheet && reinterpret_cast<INT_PTR>(sheet) != -1) {
        HWND shown = PropSheet_GetCurrentPageHwnd(sheet);
        wchar_t text[256] = {};
        if (shown)
            GetDlgItemTextW(shown, 1001, text, 256);
        g_sheet->text = text;
        DestroyWindow(sheet);
    }
    return 0x4242;
}

PROPSHEETUI_INFO SheetInfo(WORD reason, WORD version = PROPSHEETUI_INFO_VERSION) {
    PROPSHEETUI_INFO info = {};
    info.cbSize = sizeof(info);
    info.Version = version;
    info.Reason = reason;
    info.hComPropSheet = reinterpret_cast<HANDLE>(0x77);
    info.pfnComPropSheet = FakeComPropSheet;
    info.Result = kSentinel;
    return info;
}

TEST_F(DrvUiPluginTest, DocumentSheetsAddTheAboutPage) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    SheetCalls calls;
    g_sheet = &calls;
    PROPSHEETUI_INFO info = SheetInfo(PROPSHEETUI_REASON_INIT);
    EXPECT_EQ(plugin_->DocumentPropertySheets(&info, 0), S_OK);
    g_sheet = nullptr;

    EXPECT_EQ(calls.calls, 1);
    EXPECT_EQ(calls.function, static_cast<UINT>(CPSFUNC_ADD_PROPSHEETPAGEW));
    EXPECT_EQ(info.Result, 0x4242u) << "the add-page result becomes the block's";
    EXPECT_EQ(calls.page.hInstance, module_.Get());
    EXPECT_EQ(calls.page.pszTemplate, MAKEINTRESOURCEW(107));
    EXPECT_NE(calls.page.pfnDlgProc, nullptr);
    EXPECT_NE(calls.text.find(L"captured as text"), std::wstring::npos)
        << "the page was not built from its template";
}

TEST_F(DrvUiPluginTest, DocumentSheetsByReason) {
    PROPSHEETUI_INFO_HEADER header = {};
    header.cbSize = sizeof(header);
    SETRESULT_INFO set_result = {};
    set_result.cbSize = sizeof(set_result);
    set_result.Result = 77;
    struct Row {
        const char* name;
        WORD reason;
        WORD version;
        LPARAM param;
        HRESULT hr;
        ULONG_PTR result;
    } rows[] = {
        {"information header", PROPSHEETUI_REASON_GET_INFO_HEADER, PROPSHEETUI_INFO_VERSION,
         reinterpret_cast<LPARAM>(&header), S_OK, 1},
        {"destroy", PROPSHEETUI_REASON_DESTROY, PROPSHEETUI_INFO_VERSION, 0, S_OK, 1},
        {"set result", PROPSHEETUI_REASON_SET_RESULT, PROPSHEETUI_INFO_VERSION,
         reinterpret_cast<LPARAM>(&set_result), S_OK, 77},
        {"icon", PROPSHEETUI_REASON_GET_ICON, PROPSHEETUI_INFO_VERSION, 0, S_OK, 0},
        {"a later reason", 9, PROPSHEETUI_INFO_VERSION, 0, S_OK, kSentinel},
        {"another version", PROPSHEETUI_REASON_DESTROY, 0x0200, 0, E_FAIL, kSentinel},
        {"header missing", PROPSHEETUI_REASON_GET_INFO_HEADER, PROPSHEETUI_INFO_VERSION, 0, E_FAIL,
         kSentinel},
        {"set result missing", PROPSHEETUI_REASON_SET_RESULT, PROPSHEETUI_INFO_VERSION, 0, E_FAIL,
         kSentinel},
    };
    for (const Row& row : rows) {
        SheetCalls calls;
        g_sheet = &calls;
        PROPSHEETUI_INFO info = SheetInfo(row.reason, row.version);
        SetLastError(0);
        EXPECT_EQ(plugin_->DocumentPropertySheets(&info, row.param), row.hr) << row.name;
        if (FAILED(row.hr)) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << row.name;
        }
        EXPECT_EQ(info.Result, row.result) << row.name;
        EXPECT_EQ(calls.calls, 0) << row.name;
        g_sheet = nullptr;
    }
    ASSERT_NE(header.pTitle, nullptr);
    EXPECT_EQ(std::wstring(header.pTitle), L"OEM UI Page");

    PROPSHEETUI_INFO no_service = SheetInfo(PROPSHEETUI_REASON_INIT);
    no_service.pfnComPropSheet = nullptr;
    EXPECT_EQ(plugin_->DocumentPropertySheets(&no_service, 0), E_FAIL);
}

} // namespace
