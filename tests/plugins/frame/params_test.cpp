#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>

#include <string>
#include <thread>

#include "com_bstr.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "fixture_plugins.h"
#include "fixture_registration.h"
#include "recording_sink.h"

namespace {

constexpr VARTYPE kUnset = 0x7777;

class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComScope() { CoUninitialize(); }
};

template <class Plugin, class Itf> ComPtr<Itf> Make(REFIID iid) {
    ComPtr<Itf> plugin;
    EXPECT_EQ(ComObject<Plugin>::Create(iid, plugin.AsVoidOut()), S_OK);
    return plugin;
}

ComPtr<IQLX_TPLUGIN> Transport() {
    return Make<CTestTransport, IQLX_TPLUGIN>(IID_IQLX_TPLUGIN);
}
ComPtr<IQLX_RPLUGIN> Format() {
    return Make<CTestFormat, IQLX_RPLUGIN>(IID_IQLX_RPLUGIN);
}

// A VARIANT preset to a sentinel type, so that "never written" shows.
struct OutVariant : VARIANT {
    OutVariant() {
        VariantInit(this);
        vt = kUnset;
    }
    ~OutVariant() {
        if (vt != kUnset)
            VariantClear(this);
    }
};

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

template <class Itf> std::wstring Get(Itf* plugin, const wchar_t* name) {
    OutVariant value;
    ComBstr n(name);
    HRESULT hr = plugin->GetParam(n, &value);
    if (FAILED(hr))
        return L"hr=" + std::to_wstring(hr);
    return VariantText(value);
}

// A sink connected to a plug-in's event point for the life of the holder.
class Connection {
public:
    Connection(IUnknown* plugin, REFIID events, IUnknown* sink) {
        ComPtr<IConnectionPointContainer> container;
        EXPECT_EQ(plugin->QueryInterface(IID_IConnectionPointContainer, container.AsVoidOut()),
                  S_OK);
        EXPECT_EQ(container->FindConnectionPoint(events, &point_), S_OK);
        EXPECT_EQ(point_->Advise(sink, &cookie_), S_OK);
    }
    ~Connection() {
        if (point_)
            point_->Unadvise(cookie_);
    }

private:
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

TEST(PluginDescriptor, NamesComeBackAsFreshCopiesAndNullPointersAreRefused) {
    ComScope com;
    ComPtr<IQLX_TPLUGIN> transport = Transport();
    ComPtr<IQLX_RPLUGIN> format = Format();
    ASSERT_TRUE(transport && format);
    struct {
        const char* row;
        std::function<HRESULT(BSTR*)> get;
        const wchar_t* expected;
    } rows[] = {
        {"transport name", [&](BSTR* o) { return transport->get_Name(o); }, kTestTransportName},
        {"transport layout", [&](BSTR* o) { return transport->get_Layout(o); },
         kTestTransportLayout},
        {"format name", [&](BSTR* o) { return format->get_Name(o); }, kTestFormatName},
        {"format layout", [&](BSTR* o) { return format->get_Layout(o); }, kTestFormatLayout},
        {"description", [&](BSTR* o) { return format->get_Description(o); },
         kTestFormatDescription},
        {"extension", [&](BSTR* o) { return format->get_Extension(o); }, kTestFormatExtension},
    };
    for (const auto& row : rows) {
        ComBstr first, second;
        ASSERT_EQ(row.get(&first), S_OK) << row.row;
        ASSERT_EQ(row.get(&second), S_OK) << row.row;
        EXPECT_STREQ(first.c_str(), row.expected) << row.row;
        EXPECT_NE(first.Get(), second.Get()) << row.row << ": each call makes its own copy";
        EXPECT_EQ(row.get(nullptr), E_POINTER) << row.row;
    }
}

TEST(PluginParams, StartEmptyAndAreFoundOnlyByTheirExactName) {
    ComScope com;
    ComPtr<IQLX_TPLUGIN> plugin = Transport();
    ASSERT_TRUE(plugin);
    EXPECT_EQ(Get(plugin.Get(), L"url"), L"");
    EXPECT_EQ(Get(plugin.Get(), L"password"), L"");
    EXPECT_EQ(Get(plugin.Get(), L"put"), L"#0");
    EXPECT_EQ(Get(plugin.Get(), L"mode"), L"#0");

    ComBstr url(L"url");
    EXPECT_EQ(plugin->GetParam(url, nullptr), E_POINTER);
    const ComBstr unknown[] = {ComBstr(L"URL"),    ComBstr(L"Url"), ComBstr(L"url "),
                               ComBstr(L"ur"),     ComBstr(L""),    ComBstr(L"url\0x", 5),
                               ComBstr(L"docname")};
    ComVariant value(L"http://example");
    for (const ComBstr& name : unknown) {
        OutVariant out;
        EXPECT_EQ(plugin->GetParam(name, &out), E_FAIL) << Narrow(name.c_str());
        EXPECT_EQ(out.vt, kUnset) << Narrow(name.c_str());
        EXPECT_EQ(plugin->PutParam(name, value), E_FAIL) << Narrow(name.c_str());
        EXPECT_EQ(plugin->PutParamUI(name, value), E_FAIL) << Narrow(name.c_str());
    }
    OutVariant out;
    EXPECT_EQ(plugin->GetParam(nullptr, &out), E_FAIL);
    EXPECT_EQ(plugin->PutParam(nullptr, value), E_FAIL);
    EXPECT_EQ(Get(plugin.Get(), L"url"), L"") << "a refused name changed a value";
}

TEST(PluginParams, ValuesOfTheWrongTypeAreConvertedOrRefused) {
    ComScope com;
    ComPtr<IQLX_TPLUGIN> plugin = Transport();
    ASSERT_TRUE(plugin);
    ComPtr<IDispatch> object;
    plugin->QueryInterface(IID_IDispatch, object.AsVoidOut());

    auto bstr = [](const wchar_t* text) { return ComVariant(text); };
    auto number = [](long n) { return ComVariant(n); };
    auto typed = [](VARTYPE type) {
        ComVariant v;
        v.vt = type;
        return v;
    };
    ComVariant boolean;
    boolean.vt = VT_BOOL;
    boolean.boolVal = VARIANT_TRUE;
    ComVariant real;
    real.vt = VT_R8;
    real.dblVal = 2.0;
    ComVariant nullString;
    nullString.vt = VT_BSTR;
    nullString.bstrVal = nullptr;
    ComVariant dispatch;
    dispatch.vt = VT_DISPATCH;
    dispatch.pdispVal = object.Get();
    object->AddRef();
    BSTR referenced = SysAllocString(L"by reference");
    ComVariant byRef;
    byRef.vt = VT_BSTR | VT_BYREF;
    byRef.pbstrVal = &referenced;

    struct Row {
        const char* row;
        const wchar_t* name;
        ComVariant value;
        HRESULT hr;
        const wchar_t* after;
    } rows[] = {
        {"string", L"url", bstr(L"http://x/a"), S_OK, L"http://x/a"},
        {"long", L"put", number(5), S_OK, L"#5"},
        {"digits to a long", L"mode", bstr(L"12"), S_OK, L"#12"},
        {"long to a string", L"password", number(7), S_OK, L"7"},
        {"boolean to a long", L"put", boolean, S_OK, L"#-1"},
        {"double to a long", L"mode", real, S_OK, L"#2"},
        {"null string", L"url", nullString, S_OK, L""},
        {"empty to a long", L"put", typed(VT_EMPTY), S_OK, L"#0"},
        {"string by reference", L"url", byRef, S_OK, L"by reference"},
        {"letters to a long", L"put", bstr(L"abc"), E_INVALIDARG, L"#0"},
        {"too big for a long", L"mode", bstr(L"99999999999"), E_INVALIDARG, L"#2"},
        {"null to a string", L"url", typed(VT_NULL), E_INVALIDARG, L"by reference"},
        {"object to a string", L"password", dispatch, E_INVALIDARG, L"7"},
        {"object to a long", L"put", dispatch, E_INVALIDARG, L"#0"},
    };
    for (const Row& row : rows) {
        ComBstr name(row.name);
        EXPECT_EQ(plugin->PutParam(name, row.value), row.hr) << row.row;
        EXPECT_EQ(Get(plugin.Get(), row.name), row.after) << row.row;
    }
    SysFreeString(referenced);
}

TEST(PluginParams, ResetWithoutAPageRestoresTheDefaultsAndUpdateTouchesNothing) {
    ComScope com;
    ComPtr<IQLX_TPLUGIN> transport = Transport();
    ComPtr<IQLX_RPLUGIN> format = Format();
    ASSERT_TRUE(transport && format);
    ComBstr url(L"url"), put(L"put"), separator(L"separator"), docname(L"docname");
    ASSERT_EQ(transport->PutParamUI(url, ComVariant(L"http://x")), S_OK);
    ASSERT_EQ(transport->PutParamUI(put, ComVariant(3L)), S_OK);
    ASSERT_EQ(format->PutParamUI(separator, ComVariant(L"|")), S_OK);
    ASSERT_EQ(format->PutParamUI(docname, ComVariant(L"Report.doc")), S_OK);

    for (long reason : {0L, 1L, 2L, 7L})
        EXPECT_EQ(transport->UpdateUI(reason), S_OK) << reason;
    EXPECT_EQ(format->UpdateUI(), S_OK);
    EXPECT_EQ(Get(transport.Get(), L"url"), L"http://x");

    EXPECT_EQ(transport->ResetParams(), S_OK);
    EXPECT_EQ(format->ResetParams(), S_OK);
    EXPECT_EQ(Get(transport.Get(), L"url"), L"");
    EXPECT_EQ(Get(transport.Get(), L"put"), L"#0");
    EXPECT_EQ(Get(format.Get(), L"separator"), L"");
    // The document name is not a parameter: reset leaves it and GetParam does not know it.
    ComBstr header;
    ASSERT_EQ(format->GetHeader(96, &header), S_OK);
    EXPECT_STREQ(header.c_str(), L"[Report.doc]");
    EXPECT_EQ(Get(format.Get(), L"docname"), L"hr=" + std::to_wstring(E_FAIL));
    EXPECT_EQ(format->PutParam(docname, ComVariant(L"x")), E_FAIL) << "only PutParamUI takes it";
}

TEST(PluginParams, ParameterMethodsFireNoEvent) {
    ComScope com;
    ComPtr<IQLX_TPLUGIN> plugin = Transport();
    ASSERT_TRUE(plugin);
    RecordingSink sink(DIID__IQLX_TPlugin_Events);
    Connection connection(plugin.Get(), DIID__IQLX_TPlugin_Events, &sink);
    ComBstr url(L"url"), put(L"put");
    plugin->PutParam(url, ComVariant(L"a"));
    plugin->PutParamUI(url, ComVariant(L"b"));
    plugin->PutParamUI(put, ComVariant(1L));
    plugin->UpdateUI(0);
    plugin->ResetParams();
    EXPECT_TRUE(sink.events.empty()) << sink.events.size() << " events";
}

TEST(PluginEvents, AFailingOrDeadSinkStopsNoOtherAndTheDeadOneIsDropped) {
    ComScope com;
    ComPtr<IQLX_TPLUGIN> plugin = Transport();
    ASSERT_TRUE(plugin);
    RecordingSink failing(DIID__IQLX_TPlugin_Events, E_FAIL);
    RecordingSink dead(DIID__IQLX_TPlugin_Events, RPC_E_DISCONNECTED);
    RecordingSink good(DIID__IQLX_TPlugin_Events);
    Connection first(plugin.Get(), DIID__IQLX_TPlugin_Events, &failing);
    Connection second(plugin.Get(), DIID__IQLX_TPlugin_Events, &dead);
    Connection third(plugin.Get(), DIID__IQLX_TPlugin_Events, &good);

    ASSERT_EQ(plugin->Send(nullptr, 1, 1), S_OK);
    ASSERT_EQ(good.events.size(), 2u);
    EXPECT_EQ(good.events[0].dispid, 3);
    EXPECT_EQ(good.Arg(0, 0), kTestTransportName);
    EXPECT_EQ(good.Arg(0, 1), L"#0");
    EXPECT_EQ(good.Arg(1, 1), L"#100");
    EXPECT_EQ(failing.events.size(), 2u) << "a failing sink still hears every event";
    EXPECT_EQ(dead.events.size(), 1u) << "a dead sink is dropped at its first failure";

    ComBstr url(L"url");
    ASSERT_EQ(plugin->PutParam(url, ComVariant(L"fail:")), S_OK);
    EXPECT_EQ(plugin->Send(nullptr, 1, 1), E_FAIL);
    ASSERT_EQ(good.events.size(), 4u);
    EXPECT_EQ(good.events[3].dispid, 2);
    EXPECT_EQ(good.Arg(3, 0), kTestTransportName);
    EXPECT_EQ(good.Arg(3, 1), L"Cannot send");
}

TEST(PluginParams, ReadersSeeWholeValuesWhileAnotherThreadChangesThem) {
    ComScope com;
    ComPtr<IQLX_TPLUGIN> plugin = Transport();
    ASSERT_TRUE(plugin);
    const std::wstring a(4000, L'a'), b(3000, L'b');
    std::thread writer([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ComBstr url(L"url");
        for (int i = 0; i < 3000; ++i)
            plugin->PutParam(url, ComVariant(i % 2 ? a.c_str() : b.c_str()));
        CoUninitialize();
    });
    int torn = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::wstring got = Get(plugin.Get(), L"url");
        torn += !(got.empty() || got == a || got == b);
    }
    writer.join();
    EXPECT_EQ(torn, 0);
}

TEST(FormatPlugin, JoinsTheItemsOfAPageWithItsParameters) {
    ComScope com;
    ComPtr<IQLX_RPLUGIN> plugin = Format();
    ASSERT_TRUE(plugin);
    ComBstr separator(L"separator"), upper(L"upper");
    ASSERT_EQ(plugin->PutParam(separator, ComVariant(L" / ")), S_OK);
    ASSERT_EQ(plugin->PutParam(upper, ComVariant(1L)), S_OK);
    ASSERT_EQ(plugin->StartPage(0, 800, 600), S_OK);
    for (const wchar_t* item : {L"one", L"Two"}) {
        ComBstr text(item), font(L"Arial");
        ASSERT_EQ(plugin->AddItem(0, 0, 10, 10, text, font), S_OK);
    }
    ComBstr page;
    ASSERT_EQ(plugin->EndPage(&page), S_OK);
    EXPECT_STREQ(page.c_str(), L"ONE / TWO");
    ComBstr footer(L"sentinel");
    EXPECT_EQ(plugin->GetFooter(&footer), E_NOTIMPL);
    EXPECT_EQ(footer.Get(), nullptr);
    EXPECT_EQ(plugin->EndPage(nullptr), E_POINTER);
}

TEST(PluginCreation, AFailedFinalConstructLeavesNoObject) {
    ComScope com;
    ComPtr<IQLX_TPLUGIN> plugin;
    EXPECT_EQ(ComObject<CFailingTransport>::Create(IID_IQLX_TPLUGIN, plugin.AsVoidOut()), E_FAIL);
    EXPECT_FALSE(plugin);
    ComPtr<IQLX_TPLUGIN> broken = Make<CBrokenTransport, IQLX_TPLUGIN>(IID_IQLX_TPLUGIN);
    ASSERT_TRUE(broken);
    ComBstr layout;
    ASSERT_EQ(broken->get_Layout(&layout), S_OK);
    EXPECT_STREQ(layout.c_str(), kBrokenTransportLayout);
    EXPECT_EQ(Get(broken.Get(), L"name"), L"");
}

// Late-bound calls go through the registered plug-in type library, as a script's would.
TEST(PluginDispatch, LateBoundCallsReachTheParameterMethods) {
    ComScope com;
    ASSERT_EQ(RegisterPluginTypeLibraries(), S_OK);
    ComPtr<IQLX_TPLUGIN> plugin = Transport();
    ASSERT_TRUE(plugin);
    ComPtr<IDispatch> object;
    ASSERT_EQ(plugin->QueryInterface(IID_IDispatch, object.AsVoidOut()), S_OK);
    struct {
        const wchar_t* name;
        DISPID id;
    } members[] = {{L"GetParam", 1}, {L"PutParam", 8}, {L"Name", 3}, {L"ResetParams", 10}};
    for (const auto& member : members) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(member.name)};
        DISPID id = -99;
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << Narrow(member.name);
        EXPECT_EQ(id, member.id) << Narrow(member.name);
    }
    ComVariant args[2];
    args[1] = ComVariant(L"url");
    args[0] = ComVariant(L"http://late");
    DISPPARAMS params = {args, nullptr, 2, 0};
    EXPECT_EQ(object->Invoke(8, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              S_OK);
    ComVariant result;
    DISPPARAMS one = {&args[1], nullptr, 1, 0};
    EXPECT_EQ(object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &one, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(VariantText(result), L"http://late");
    ComVariant name;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(object->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &name, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(VariantText(name), kTestTransportName);
    plugin.Release();
    object.Release();
    UnregisterPluginTypeLibraries();
}

} // namespace
