#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "com_object.h"
#include "fixture_registration.h"
#include "paper_printers.h"
#include "prn_object.h"
#include "prn_test_env.h"
#include "temp_dir.h"

// The transport created in process as the core creates it (no page), its events recorded,
// with two paper printers to choose from, the first of them the system's default.
class InProcessTransport : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegisterPluginTypeLibraries(), S_OK);
        ASSERT_EQ(paperA_.Result(), S_OK);
        ASSERT_EQ(paperB_.Result(), S_OK);
        ASSERT_TRUE(default_.Done());
        ASSERT_EQ(ComObject<CXFER_PrnObject>::Create(IID_IQLX_TPLUGIN, plugin_.AsVoidOut()), S_OK);
        events_ = std::make_unique<EventLog>(plugin_.Get());
    }
    void TearDown() override {
        events_.reset();
        plugin_.Release();
        UnregisterPluginTypeLibraries();
    }

    ComScope com_;
    TempDir folder_;
    PaperPrinter paperA_{L"QLX Paper A", folder_.File(L"paper-a.ps")};
    PaperPrinter paperB_{L"QLX Paper B", folder_.File(L"paper-b.ps")};
    DefaultPrinterScope default_{paperA_.Name()};
    ComPtr<IQLX_TPLUGIN> plugin_;
    std::unique_ptr<EventLog> events_;
};
