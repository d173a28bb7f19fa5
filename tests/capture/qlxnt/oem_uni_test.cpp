// The rendering module's COM surface, loaded as Unidrv loads it: its exports, the class
// factory and the plug-in object's methods other than the hooks.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include "host_runner.h"
#include "oem_plugin.h"
#include "private_devmode.h"

namespace {

const CLSID kRenderingPluginClass = {
    0x6d6abf26, 0x9f38, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
const CLSID kOtherClass = {
    0xabce80d7, 0x9f46, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};

constexpr DWORD kSentinel = 0xDEADBEEF;

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(WINAPI*)();

class OemUniTest : public testing::Test {
protected:
    void SetUp() override {
        // Its stand-ins sit beside it, not beside the test.
        module_ = LoadLibraryExW(DrvHostFile(L"qlxnt_hosted.dll").c_str(), nullptr,
                                 LOAD_WITH_ALTERED_SEARCH_PATH);
        ASSERT_NE(nullptr, module_) << "error " << GetLastError();
        get_class_object_ = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        can_unload_ = reinterpret_cast<CanUnloadFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
        ASSERT_TRUE(get_class_object_ && can_unload_);
        ASSERT_EQ(S_OK, get_class_object_(kRenderingPluginClass, IID_IClassFactory,
                                          reinterpret_cast<void**>(&factory_)));
        ASSERT_EQ(S_OK, factory_->CreateInstance(nullptr, IID_IPrintOemUni,
                                                 reinterpret_cast<void**>(&plugin_)));
    }
    void TearDown() override {
        if (plugin_)
            plugin_->Release();
        if (factory_)
            factory_->Release();
        if (module_)
            FreeLibrary(module_);
    }

    HMODULE module_ = nullptr;
    GetClassObjectFn get_class_object_ = nullptr;
    CanUnloadFn can_unload_ = nullptr;
    IClassFactory* factory_ = nullptr;
    IPrintOemUni* plugin_ = nullptr;
};

TEST_F(OemUniTest, OnlyTheRenderingPluginClassIsHandedOut) {
    void* out = &out;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, get_class_object_(kOtherClass, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    IUnknown* outer = plugin_;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory_->CreateInstance(outer, IID_IUnknown, &out));
    IUnknown* unknown = nullptr;
    EXPECT_EQ(S_OK, plugin_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    unknown->Release();
    out = &out;
    EXPECT_EQ(E_NOINTERFACE, plugin_->QueryInterface(IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_NOINTERFACE, factory_->CreateInstance(nullptr, IID_IDispatch, &out));
}

TEST_F(OemUniTest, TheModuleStaysWhileObjectsOrLocksLive) {
    EXPECT_EQ(S_FALSE, can_unload_());
    plugin_->Release();
    plugin_ = nullptr;
    EXPECT_EQ(S_OK, can_unload_());
    factory_->LockServer(TRUE);
    EXPECT_EQ(S_FALSE, can_unload_());
    factory_->LockServer(FALSE);
    EXPECT_EQ(S_OK, can_unload_());
}

TEST_F(OemUniTest, GetInfoAnswersSignatureAndVersion) {
    struct Row {
        const char* name;
        DWORD kind;
        bool buffer;
        DWORD size;
        bool needed;
        HRESULT hr;
        DWORD error;
        DWORD value;
        DWORD needed_after;
    };
    const Row rows[] = {
        {"signature", OEMGI_GETSIGNATURE, true, 4, true, S_OK, kSentinel, kOemSignature, 4},
        {"version", OEMGI_GETVERSION, true, 8, true, S_OK, kSentinel, 6, 4},
        {"version without needed", OEMGI_GETVERSION, true, 4, false, S_OK, kSentinel, 6, kSentinel},
        {"kind 2", OEMGI_GETINTERFACEVERSION, true, 4, true, E_FAIL, ERROR_NOT_SUPPORTED, kSentinel,
         0},
        {"small with needed", OEMGI_GETSIGNATURE, true, 3, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER,
         kSentinel, 4},
        {"small without needed", OEMGI_GETSIGNATURE, true, 3, false, E_FAIL,
         ERROR_INVALID_PARAMETER, kSentinel, kSentinel},
        {"no buffer", OEMGI_GETSIGNATURE, false, 4, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER,
         kSentinel, 4},
    };
    for (const Row& row : rows) {
        DWORD value = kSentinel, needed = kSentinel;
        SetLastError(kSentinel);
        const HRESULT hr = plugin_->GetInfo(row.kind, row.buffer ? &value : nullptr, row.size,
                                            row.needed ? &needed : nullptr);
        EXPECT_EQ(row.hr, hr) << row.name;
        EXPECT_EQ(row.error, GetLastError()) << row.name;
        EXPECT_EQ(row.value, value) << row.name;
        EXPECT_EQ(row.needed_after, needed) << row.name;
    }
}

TEST_F(OemUniTest, GetImplementedMethodKnowsItsList) {
    struct Row {
        const char* method;
        HRESULT hr;
    };
    const Row rows[] = {
        {"DriverDMS", S_OK},
        {"GetImplementedMethod", S_OK},
        {"GetInfo", S_OK},
        {"PublishDriverInterface", S_OK},
        {"DevMode", S_OK},
        {"DisableDriver", S_OK},
        {"DisablePDEV", S_OK},
        {"EnableDriver", S_OK},
        {"EnablePDEV", S_OK},
        {"ResetPDEV", S_OK},
        {"ImageProcessing", S_FALSE},
        {"disabledriver", S_FALSE},
        {"DevMode ", S_FALSE},
        {"", S_FALSE},
        {"TextOutAsBitmap", S_FALSE},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.hr, plugin_->GetImplementedMethod(const_cast<PSTR>(row.method)))
            << row.method;
    }
    EXPECT_EQ(S_FALSE, plugin_->GetImplementedMethod(nullptr));
}

TEST_F(OemUniTest, DriverDmsAsksForNoDeviceManagedSurface) {
    DWORD flags = kSentinel, needed = kSentinel;
    EXPECT_EQ(S_OK, plugin_->DriverDMS(nullptr, &flags, sizeof flags, &needed));
    EXPECT_EQ(0u, flags);
    EXPECT_EQ(4u, needed);
    needed = kSentinel;
    SetLastError(kSentinel);
    EXPECT_EQ(E_FAIL, plugin_->DriverDMS(nullptr, &flags, 2, &needed));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(4u, needed);
    EXPECT_EQ(E_FAIL, plugin_->DriverDMS(nullptr, nullptr, 4, nullptr));
}

TEST_F(OemUniTest, DevModeKeepsItsPrivateBlock) {
    OEMDMPARAM param = {};
    param.cbSize = sizeof param;
    EXPECT_EQ(S_OK, plugin_->DevMode(OEMDM_SIZE, &param));
    EXPECT_EQ(16u, param.cbBufSize);

    struct Guarded {
        OemDevMode block;
        BYTE after[32];
    } out = {}, in = {};
    param.pOEMDMOut = &out.block;
    param.cbBufSize = sizeof out.block;
    EXPECT_EQ(S_OK, plugin_->DevMode(OEMDM_DEFAULT, &param));
    EXPECT_EQ(16u, out.block.size);
    EXPECT_EQ(kOemSignature, out.block.signature);
    EXPECT_EQ(6u, out.block.version);

    in.block = {0xFFFFFFFF, kOemSignature, 2, 77};
    out.block.size = 0xFFFFFFFF;
    param.pOEMDMIn = &in.block;
    EXPECT_EQ(S_OK, plugin_->DevMode(OEMDM_CONVERT, &param));
    EXPECT_EQ(77u, out.block.word);
    EXPECT_EQ(16u, out.block.size);
    for (BYTE b : out.after)
        ASSERT_EQ(0, b) << "a size that lies overflows nothing";

    in.block.word = 5;
    EXPECT_EQ(S_OK, plugin_->DevMode(OEMDM_MERGE, &param));
    EXPECT_EQ(5u, out.block.word);
    EXPECT_EQ(6u, out.block.version);

    param.cbBufSize = 8;
    SetLastError(kSentinel);
    EXPECT_EQ(E_FAIL, plugin_->DevMode(OEMDM_DEFAULT, &param)) << "no room for the block";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

    SetLastError(kSentinel);
    EXPECT_EQ(E_FAIL, plugin_->DevMode(5, &param));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    SetLastError(kSentinel);
    EXPECT_EQ(E_FAIL, plugin_->DevMode(OEMDM_SIZE, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(OemUniTest, EnableDriverGivesTheFourHooksInOrder) {
    DRVENABLEDATA data = {};
    ASSERT_EQ(S_OK, plugin_->EnableDriver(0x00010000, sizeof data, &data));
    EXPECT_EQ(0x00010000u, data.iDriverVersion);
    ASSERT_EQ(4u, data.c);
    const ULONG expected[] = {INDEX_DrvStartDoc, INDEX_DrvEndDoc, INDEX_DrvStartPage,
                              INDEX_DrvTextOut};
    for (ULONG i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i], data.pdrvfn[i].iFunc) << i;
        EXPECT_NE(nullptr, data.pdrvfn[i].pfn) << i;
    }
    EXPECT_EQ(S_OK, plugin_->DisableDriver());
}

TEST_F(OemUniTest, EveryOtherMethodIsNotImplemented) {
    INT result = 7;
    EXPECT_EQ(S_OK, plugin_->CommandCallback(nullptr, 1, 0, nullptr, &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ(S_OK, plugin_->PublishDriverInterface(nullptr));
    EXPECT_EQ(E_NOTIMPL,
              plugin_->ImageProcessing(nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL, plugin_->FilterGraphics(nullptr, nullptr, 0));
    EXPECT_EQ(E_NOTIMPL, plugin_->Compression(nullptr, nullptr, nullptr, 0, 0, nullptr));
    EXPECT_EQ(E_NOTIMPL, plugin_->HalftonePattern(nullptr, nullptr, 0, 0, 0, 0, nullptr, 0));
    EXPECT_EQ(E_NOTIMPL, plugin_->MemoryUsage(nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL, plugin_->TTYGetInfo(nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(E_NOTIMPL, plugin_->DownloadFontHeader(nullptr, nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL, plugin_->DownloadCharGlyph(nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL, plugin_->TTDownloadMethod(nullptr, nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL, plugin_->OutputCharStr(nullptr, nullptr, 0, 0, nullptr));
    EXPECT_EQ(E_NOTIMPL, plugin_->SendFontCmd(nullptr, nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL, plugin_->TextOutAsBitmap(nullptr, nullptr, nullptr, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr, nullptr, 0));
}

} // namespace
