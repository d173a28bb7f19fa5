#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "com_bstr.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "cqlx.h"
#include "engine_paths.h"
#include "engine_test_env.h"
#include "error_ids.h"
#include "event_dispids.h"
#include "event_recorder.h"
#include "fake_plugins.h"
#include "handle.h"
#include "reg_key.h"
#include "registry.h"
#include "temp_dir.h"
#include "test_printers.h"
#include "test_product_key.h"

#include "engine_in_process.h"

namespace {

TEST_F(EngineInProcess, StartsWithItsPrinterAndPlugins) {
    ASSERT_EQ(printer_.Result(), S_OK);
    ASSERT_EQ(Create(), S_OK);
    ComBstr name;
    ASSERT_EQ(engine_->get_printer(&name), S_OK);
    EXPECT_STREQ(name.c_str(), L"Quorvane Text Printer");
    ComPtr<IQLX_BSTR_Collection> transports;
    ASSERT_EQ(engine_->get_TransportPluginNames(&transports), S_OK);
    LONG count = 0;
    ASSERT_EQ(transports->get_Count(&count), S_OK);
    ASSERT_EQ(count, 2);
    ComBstr first;
    ASSERT_EQ(transports->GetItem(0, &first), S_OK);
    EXPECT_STREQ(first.c_str(), L"Alpha"); // sorted by name
    ComPtr<IQLX_BSTR_Collection> own;
    ASSERT_EQ(engine_->get_Printers(&own), S_OK);
    LONG index = -1;
    ASSERT_EQ(own->Contains(ComBstr(L"Quorvane Text Printer"), &index), S_OK);
    EXPECT_GE(index, 0);
}

TEST_F(EngineInProcess, WithoutTheProductsPrinterCreationFailsWithItsError) {
    ASSERT_EQ(RemoveOwnPrinter(printer_.Name()), S_OK);
    EXPECT_EQ(Create(), E_FAIL);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    ComBstr description;
    ASSERT_EQ(info->GetDescription(&description), S_OK);
    EXPECT_STREQ(description.c_str(), L"Cannot start driver engine");
}

TEST_F(EngineInProcess, IdentityIsSavedWhenTheEngineEnds) {
    ASSERT_EQ(Create(), S_OK);
    ASSERT_EQ(engine_->put_Identity(42), S_OK);
    ASSERT_EQ(engine_->Stop(), S_OK);
    DWORD stored = 0;
    ReadRegDword(HKEY_CURRENT_USER, &stored, 0, L"Identity");
    EXPECT_EQ(stored, 42u);
    // The next call starts the engine again with the stored value; the last release saves too.
    LONG identity = 0;
    ASSERT_EQ(engine_->get_Identity(&identity), S_OK);
    EXPECT_EQ(identity, 42);
    ASSERT_EQ(engine_->put_Identity(43), S_OK);
    engine_.Release();
    ReadRegDword(HKEY_CURRENT_USER, &stored, 0, L"Identity");
    EXPECT_EQ(stored, 43u);
}

TEST_F(EngineInProcess, GettersAfterStopHandOutEmptyListsAndStopTwiceIsHarmless) {
    ASSERT_EQ(Create(), S_OK);
    ASSERT_EQ(engine_->Stop(), S_OK);
    ASSERT_EQ(engine_->Stop(), S_OK);
    ComPtr<IQLX_BSTR_Collection> printers, formats;
    ASSERT_EQ(engine_->get_SystemPrinters(&printers), S_OK);
    ASSERT_EQ(engine_->get_FormatPluginNames(&formats), S_OK);
    LONG count = -1;
    EXPECT_EQ(formats->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
    // Capture after Stop starts the engine again and is taken in.
    ComPtr<IQLX_INT> driver;
    ASSERT_EQ(engine_.As(&driver), S_OK);
    EXPECT_EQ(driver->int_StartJob(ComBstr(L"Quorvane Text Printer"), ComBstr(L"RAW"), 3, 300,
                                   ComBstr(L"doc")),
              S_OK);
    EXPECT_EQ(driver->int_EndJob(), S_OK);
    formats.Release();
    ASSERT_EQ(engine_->get_FormatPluginNames(&formats), S_OK);
    EXPECT_EQ(formats->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1);
}

TEST_F(EngineInProcess, StopWithACancelInFlightReturns) {
    ASSERT_EQ(Create(), S_OK);
    Touch();
    CQLX& engine = Engine();
    engine.CancelCounter().Enter();
    // The cancel needs init_lock before it can end: Stop must not hold it while it waits.
    std::thread cancel([&] {
        Sleep(200);
        engine.WithInitLock([] {});
        engine.CancelCounter().Leave();
    });
    UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread stopper([&] {
        engine_->Stop();
        SetEvent(done.Get());
    });
    const DWORD waited = WaitForSingleObject(done.Get(), 20000);
    if (waited != WAIT_OBJECT_0) {
        ADD_FAILURE() << "Stop deadlocked with the cancel thread";
        fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3); // the threads can't be joined
    }
    stopper.join();
    cancel.join();
}

TEST_F(EngineInProcess, PluginSinksFollowTheListeners) {
    ASSERT_EQ(Create(), S_OK);
    const std::vector<size_t> none = {0, 0, 0}, one = {1, 1, 1};
    EXPECT_EQ(plugins_.SinkCounts(), none) << "not connected before the first start";
    Touch();
    EXPECT_EQ(plugins_.SinkCounts(), one);
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    const DWORD cookie = Advise(sink);
    LONG listeners = 0;
    EXPECT_EQ(engine_->get_Listeners(&listeners), S_OK);
    EXPECT_EQ(listeners, 1);
    EXPECT_EQ(Unadvise(cookie), S_OK);
    EXPECT_EQ(engine_->get_Listeners(&listeners), S_OK);
    EXPECT_EQ(listeners, 0);
    EXPECT_EQ(plugins_.SinkCounts(), none) << "the last listener left with no job";
    Touch();
    EXPECT_EQ(plugins_.SinkCounts(), one);

    // Callers race the disconnections: never two sinks on one plug-in.
    std::atomic<bool> stop{false};
    std::atomic<size_t> most{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 8; ++t) {
        callers.emplace_back([&] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            while (!stop) {
                LONG identity = 0;
                engine_->get_Identity(&identity);
                for (size_t count : plugins_.SinkCounts()) {
                    size_t seen = most;
                    while (count > seen && !most.compare_exchange_weak(seen, count)) {
                    }
                }
            }
            CoUninitialize();
        });
    }
    for (int i = 0; i < 300; ++i) {
        EventRecorder* loop = nullptr;
        ComPtr<IDispatch> loopSink = EventRecorder::Make(&loop);
        EXPECT_EQ(Unadvise(Advise(loopSink)), S_OK);
    }
    stop = true;
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_LE(most.load(), 1u);
    Touch();
    EXPECT_EQ(plugins_.SinkCounts(), one);
}

TEST_F(EngineInProcess, PluginEventsReachTheListeners) {
    TempDir logFolder;
    TestLog log(logFolder.File(L"engine.log"));
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    FakeTransport* alpha = plugins_.Transport(L"Alpha");
    ASSERT_NE(alpha, nullptr);
    alpha->FireError(L"disk full");
    alpha->FireProgress(40);
    // A parameter the plug-in's page changed is stored and announced, not pushed back.
    const LONG putsBefore = alpha->PutParamCalls();
    ComVariant five(5L), unknown(1L);
    alpha->FireChangeParam(L"count", five);
    alpha->FireChangeParam(L"nosuch", unknown);
    const std::vector<std::wstring> expected = {
        L"2(256,Alpha: disk full)",
        L"5(Alpha,40)",
        L"11(Alpha,count,5)",
    };
    EXPECT_EQ(recorder->Lines({kOnError, kOnProgress, kOnSettingChanged}), expected);
    EXPECT_EQ(alpha->PutParamCalls(), putsBefore);
    EXPECT_NE(log.Text().find("QLX::OnError Alpha: disk full"), std::string::npos);
}

// A plug-in's event whose arguments are missing or do not convert is refused and relayed
// nowhere; the plug-in's next event still is.
TEST_F(EngineInProcess, PluginEventsWithBadArgumentsAreRefused) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    FakeTransport* alpha = plugins_.Transport(L"Alpha");
    ASSERT_NE(alpha, nullptr);
    ComVariant notANumber(L"forty"), name(L"Alpha");
    VARIANT nothing;
    VariantInit(&nothing);
    V_VT(&nothing) = VT_NULL;
    struct Case {
        const char* what;
        DISPID id;
        std::vector<VARIANT> args; // last argument first, as Invoke takes them
    };
    const Case cases[] = {
        {"progress that is no number", 3, {notANumber, name}},
        {"error text that is null", 2, {nothing, name}},
        {"plug-in name that is null", 2, {notANumber, nothing}},
        {"error without its text", 2, {name}},
        {"no arguments at all", 3, {}},
    };
    for (const Case& c : cases) {
        std::vector<VARIANT> args = c.args;
        DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr,
                             static_cast<UINT>(args.size()), 0};
        EXPECT_EQ(alpha->Fire(c.id, &params), 1u) << c.what;
    }
    EXPECT_TRUE(recorder->Lines({kOnError, kOnProgress}).empty());
    alpha->FireProgress(40);
    EXPECT_EQ(recorder->Lines({kOnProgress}), std::vector<std::wstring>{L"5(Alpha,40)"});
}

// Without AsyncEvents every event arrives on the thread that posted it.
TEST_F(EngineInProcess, SynchronousEventsArriveOnThePostingThread) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    Advise(sink);
    DWORD poster = 0;
    std::thread job([&] {
        poster = GetCurrentThreadId();
        Engine().PostJobEvents(3);
    });
    job.join();
    EXPECT_EQ(recorder->Lines({kOnStartJob, kOnPageRendered, kOnAllPagesRendered}), JobLines(3));
    for (const ReceivedEvent& e : recorder->Events()) {
        if (e.dispid != kOnSettingChanged) {
            EXPECT_EQ(e.thread, poster) << e.dispid;
        }
    }
}

// A synchronous listener may call back into the engine from any event: nothing is fired while
// the engine holds a lock that such a call needs (a held lock would hang the test here).
TEST_F(EngineInProcess, ListenerCallsBackIntoTheEngineFromSynchronousEvents) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    IQLX* engine = engine_.Get();
    std::atomic<int> failedCalls{0};
    recorder->SetReaction([engine, &failedCalls] {
        ComBstr printer, defaultPrinter;
        LONG jobs = 0, listeners = 0, identity = 0;
        ComPtr<IQLX_BSTR_Collection> printers, formats, transports;
        const HRESULT results[] = {
            engine->get_printer(&printer),
            engine->get_DefaultPrinter(&defaultPrinter),
            engine->get_Printers(&printers),
            engine->get_FormatPluginNames(&formats),
            engine->get_TransportPluginNames(&transports),
            engine->get_TotalJobs(&jobs),
            engine->get_Listeners(&listeners),
            engine->get_Identity(&identity),
        };
        for (HRESULT hr : results)
            failedCalls += FAILED(hr) ? 1 : 0;
    });

    EXPECT_EQ(engine_->put_Identity(7), S_OK);
    EXPECT_EQ(Engine().ReportError(IDS_CANNOT_SELECT_TRANSPORT, L"Beta"), E_FAIL);
    FakeTransport* alpha = plugins_.Transport(L"Alpha");
    ASSERT_NE(alpha, nullptr);
    alpha->FireError(L"disk full");
    alpha->FireProgress(40);
    ComVariant five(5L);
    alpha->FireChangeParam(L"count", five);
    std::thread job([this] { Engine().PostJobEvents(2); });
    job.join();
    recorder->SetReaction(nullptr);

    EXPECT_EQ(recorder->Lines({kOnSettingChanged}).size(), 2u); // Identity, then the plug-in's
    EXPECT_EQ(recorder->Lines({kOnError}).size(), 2u);
    EXPECT_EQ(recorder->Lines({kOnProgress}).size(), 1u);
    EXPECT_EQ(recorder->Lines({kOnStartJob, kOnPageRendered, kOnAllPagesRendered}), JobLines(2));
    EXPECT_EQ(failedCalls.load(), 0);
}

// Every selection of a printer is announced once with its name, a selection of the current one
// with VT_EMPTY; the restart after Stop selects again and says so once.
TEST_F(EngineInProcess, EachPrinterSelectionIsAnnouncedOnceAlsoAtARestart) {
    OwnPrinter second(L"Quorvane Second Printer");
    ASSERT_EQ(second.Result(), S_OK);
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    ASSERT_EQ(engine_->put_printer(ComBstr(second.Name().c_str())), S_OK);
    EXPECT_EQ(Printer(), second.Name());
    ASSERT_EQ(engine_->put_printer(ComBstr(second.Name().c_str())), S_OK);
    EXPECT_EQ(SettingLines(recorder, L"Core", L"Printer"),
              (std::vector<std::wstring>{L"11(Core,Printer,Quorvane Second Printer)",
                                         L"11(Core,Printer,-)"}));

    // Not one of the product's printers: refused, nothing selected.
    recorder->Clear();
    EXPECT_EQ(engine_->put_printer(ComBstr(L"Office Laser")), E_FAIL);
    EXPECT_EQ(LastErrorText(), L"Invalid printer name: Office Laser");
    EXPECT_EQ(recorder->Lines({kOnSettingChangeFailed, kOnSettingChanged}),
              std::vector<std::wstring>{L"12(Core,Printer)"});
    EXPECT_EQ(Printer(), second.Name());

    recorder->Clear();
    ASSERT_EQ(engine_->Stop(), S_OK);
    Touch();
    EXPECT_EQ(SettingLines(recorder, L"Core", L"Printer"),
              std::vector<std::wstring>{L"11(Core,Printer,Quorvane Text Printer)"})
        << "the product's own name wins at a start";
}

// After Stop the remembered printer may be gone by the next start: the engine then chooses as
// at a first start instead of trying to select a printer that is not there.
TEST_F(EngineInProcess, ARestartAfterTheCurrentPrinterWentChoosesAgain) {
    ASSERT_EQ(RemoveOwnPrinter(printer_.Name()), S_OK);
    OwnPrinter first(L"Quorvane A"), second(L"Quorvane B");
    ASSERT_EQ(first.Result(), S_OK);
    ASSERT_EQ(second.Result(), S_OK);
    ASSERT_EQ(Create(), S_OK);
    ASSERT_EQ(engine_->put_printer(ComBstr(L"Quorvane B")), S_OK);
    ASSERT_EQ(engine_->Stop(), S_OK);
    ASSERT_EQ(RemoveOwnPrinter(second.Name()), S_OK);
    EventRecorder* recorder = nullptr;
    listener_ = EventRecorder::Make(&recorder);
    Advise(listener_);
    Touch();
    EXPECT_EQ(Printer(), L"Quorvane A");
    EXPECT_TRUE(recorder->Lines({kOnError}).empty());
    EXPECT_EQ(SettingLines(recorder, L"Core", L"Printer"),
              std::vector<std::wstring>{L"11(Core,Printer,Quorvane A)"});
}

// Callers that start the engine again after a Stop find it with its printer selected.
TEST_F(EngineInProcess, CallersOfARestartingEngineFindItsPrinterSelected) {
    ASSERT_EQ(Create(), S_OK);
    std::atomic<int> without{0};
    for (int round = 0; round < 10; ++round) {
        ASSERT_EQ(engine_->Stop(), S_OK);
        std::vector<std::thread> callers;
        for (int t = 0; t < 6; ++t) {
            callers.emplace_back([&] {
                CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                LONG identity = 0;
                engine_->get_Identity(&identity);
                ComBstr name;
                engine_->get_printer(&name);
                if (!name.c_str() || wcscmp(name.c_str(), L"Quorvane Text Printer") != 0)
                    ++without;
                CoUninitialize();
            });
        }
        for (std::thread& caller : callers)
            caller.join();
    }
    EXPECT_EQ(without.load(), 0);
}

// While printers come and go, readers always see whole lists and the printer whose
// configuration is loaded; a change of printers that are not the product's keeps the current
// one although it is not the default own printer.
TEST_F(EngineInProcess, PrinterChangesKeepTheCurrentPrinterAndWholeLists) {
    OwnPrinter second(L"Quorvane Second Printer");
    ASSERT_EQ(second.Result(), S_OK);
    ASSERT_EQ(Create(), S_OK);
    ASSERT_EQ(engine_->put_printer(ComBstr(second.Name().c_str())), S_OK);
    ComPtr<IQLX_INT> driver;
    ASSERT_EQ(engine_.As(&driver), S_OK);
    std::atomic<bool> stop{false};
    std::atomic<int> wrongPrinter{0}, emptyList{0};
    std::thread reader([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        while (!stop) {
            ComBstr name;
            engine_->get_printer(&name);
            if (!name.c_str() || second.Name() != name.c_str())
                ++wrongPrinter;
            ComPtr<IQLX_BSTR_Collection> printers, own;
            LONG count = 0, ownCount = 0;
            engine_->get_SystemPrinters(&printers);
            engine_->get_Printers(&own);
            if (!printers || FAILED(printers->get_Count(&count)) || count == 0 || !own ||
                FAILED(own->get_Count(&ownCount)) || ownCount < 2)
                ++emptyList;
        }
        CoUninitialize();
    });
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(driver->int_AddRemovePrinter(), S_OK);
    stop = true;
    reader.join();
    EXPECT_EQ(wrongPrinter.load(), 0);
    EXPECT_EQ(emptyList.load(), 0);
    EXPECT_EQ(Printer(), second.Name());
}

// The transports named by a list that names any are used in list order; one that names none
// is refused and changes nothing; a format is selected by its exact name.
TEST_F(EngineInProcess, TransportAndFormatSelectionByName) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    auto transport = [&] {
        ComBstr list;
        EXPECT_EQ(engine_->get_Transport(&list), S_OK);
        return std::wstring(list.c_str());
    };
    EXPECT_EQ(engine_->put_Transport(ComBstr(L"Beta,Alpha,Beta,Nope")), S_OK);
    EXPECT_EQ(transport(), L"Alpha,Beta");
    for (const wchar_t* refused : {L"Nope", L"", L" Alpha", L"alpha"}) {
        EXPECT_EQ(engine_->put_Transport(ComBstr(refused)), E_FAIL);
        EXPECT_EQ(LastErrorText(), L"No transports selected");
    }
    EXPECT_EQ(transport(), L"Alpha,Beta");
    EXPECT_EQ(engine_->put_Transport(ComBstr(L"Beta")), S_OK);
    EXPECT_EQ(transport(), L"Beta");
    EXPECT_EQ(SettingLines(recorder, L"Core", L"TransportPlugin"),
              (std::vector<std::wstring>{L"11(Core,TransportPlugin,Alpha,Beta)",
                                         L"11(Core,TransportPlugin,Beta)"}));
    EXPECT_EQ(recorder->Lines({kOnSettingChangeFailed}).size(), 4u);
    EXPECT_EQ(recorder->Lines({kOnSettingChangeFailed})[0], L"12(Core,TransportPlugin)");

    EXPECT_EQ(engine_->put_Format(ComBstr(L"plain")), E_FAIL);
    EXPECT_EQ(LastErrorText(), L"Invalid format plug-in name");
    EXPECT_EQ(engine_->put_Format(ComBstr(L"Plain")), S_OK);
    ComBstr format;
    EXPECT_EQ(engine_->get_Format(&format), S_OK);
    EXPECT_STREQ(format.c_str(), L"Plain");
    EXPECT_EQ(SettingLines(recorder, L"Core", L"FormatPlugin"),
              std::vector<std::wstring>{L"11(Core,FormatPlugin,-)"})
        << "the printer without configuration had selected it already";
}

// Parameters: put through the plug-in's settings page or not, stored and announced with the
// plug-in as target; the errors name what was not found.
TEST_F(EngineInProcess, PluginParametersArePutReadBackAndRefusedByName) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    FakeTransport* alpha = plugins_.Transport(L"Alpha");
    ASSERT_NE(alpha, nullptr);
    const LONG uiPuts = alpha->PutParamUICalls();
    EXPECT_EQ(
        engine_->put_TransportParam(ComBstr(L"Alpha"), ComBstr(L"path"), ComVariant(L"C:\\out")),
        S_OK);
    EXPECT_EQ(alpha->PutParamUICalls(), uiPuts + 1);
    EXPECT_EQ(
        engine_->put_TransportParamNoCheck(ComBstr(L"Alpha"), ComBstr(L"count"), ComVariant(3L)),
        S_OK);
    EXPECT_EQ(alpha->PutParamUICalls(), uiPuts + 1) << "without the settings page";
    EXPECT_EQ(alpha->Value(L"path"), L"C:\\out");
    EXPECT_EQ(alpha->Value(L"count"), L"3");
    ComVariant path, width;
    EXPECT_EQ(engine_->get_TransportParam(ComBstr(L"Alpha"), ComBstr(L"path"), &path), S_OK);
    EXPECT_EQ(path.vt, VT_BSTR);
    EXPECT_STREQ(path.bstrVal, L"C:\\out");
    EXPECT_EQ(engine_->put_FormatParam(ComBstr(L"Plain"), ComBstr(L"width"), ComVariant(80L)),
              S_OK);
    EXPECT_EQ(engine_->get_FormatParam(ComBstr(L"Plain"), ComBstr(L"width"), &width), S_OK);
    EXPECT_EQ(width.lVal, 80);
    EXPECT_EQ(recorder->Lines({kOnSettingChanged}),
              (std::vector<std::wstring>{L"11(Alpha,path,C:\\out)", L"11(Alpha,count,3)",
                                         L"11(Plain,width,80)"}));

    struct Refused {
        HRESULT (*call)(IQLX*);
        const wchar_t* error;
        const wchar_t* failed; // the OnSettingChangeFailed line, or null
    };
    const Refused refused[] = {
        {[](IQLX* e) {
             return e->put_TransportParam(ComBstr(L"Gamma"), ComBstr(L"path"), ComVariant(L"x"));
         },
         L"Cannot select transport: Gamma", L"12(Gamma,path)"},
        {[](IQLX* e) {
             return e->put_TransportParam(ComBstr(L"Alpha"), ComBstr(L"Path"), ComVariant(L"x"));
         },
         L"Cannot put transport parameter: Path", L"12(Alpha,Path)"},
        {[](IQLX* e) {
             return e->put_TransportParam(ComBstr(L"Alpha"), ComBstr(L"count"), ComVariant(L"4"));
         },
         L"Cannot put transport parameter: count", L"12(Alpha,count)"},
        {[](IQLX* e) {
             return e->put_FormatParamNoCheck(ComBstr(L"Plain"), ComBstr(L"x"), ComVariant(1L));
         },
         L"Cannot put format parameter: x", L"12(Plain,x)"},
        {[](IQLX* e) {
             ComVariant v;
             return e->get_TransportParam(ComBstr(L"Alpha"), ComBstr(L"nosuch"), &v);
         },
         L"Cannot get transport parameter: nosuch", nullptr},
        {[](IQLX* e) {
             ComVariant v;
             return e->get_FormatParam(ComBstr(L"Nope"), ComBstr(L"width"), &v);
         },
         L"Cannot select format plug-in: Nope", nullptr},
        {[](IQLX* e) { return e->TransportCheckSettings(ComBstr(L"Nope")); },
         L"Cannot select transport: Nope", nullptr},
    };
    for (const Refused& r : refused) {
        recorder->Clear();
        EXPECT_EQ(r.call(engine_.Get()), E_FAIL);
        EXPECT_EQ(LastErrorText(), r.error);
        const std::vector<std::wstring> failed = recorder->Lines({kOnSettingChangeFailed});
        if (r.failed)
            EXPECT_EQ(failed, std::vector<std::wstring>{r.failed});
        else
            EXPECT_TRUE(failed.empty());
    }
    EXPECT_EQ(alpha->Value(L"count"), L"4") << "the plug-in took what the store refused";
    ComVariant count;
    EXPECT_EQ(engine_->get_TransportParam(ComBstr(L"Alpha"), ComBstr(L"count"), &count), S_OK);
    EXPECT_EQ(count.lVal, 3);
    EXPECT_EQ(engine_->TransportCheckSettings(ComBstr(L"Alpha")), S_OK);
    EXPECT_EQ(engine_->FormatCheckSettings(ComBstr(L"Plain")), S_OK);
}

// The count of user interfaces: saved only when the last one goes; never below 0.
TEST_F(EngineInProcess, ConfigurationIsSavedWhenTheLastUserInterfaceGoes) {
    ASSERT_EQ(Create(), S_OK);
    Touch();
    const std::wstring alphaKey = key_.Path() + L"\\configuration\\Quorvane Text Printer\\Alpha";
    auto storedPath = [&] {
        RegKey key;
        wchar_t text[64] = L"<none>";
        DWORD bytes = sizeof(text) - sizeof(wchar_t);
        if (key.Open(HKEY_CURRENT_USER, alphaKey.c_str(), KEY_READ))
            RegQueryValueExW(key.Get(), L"path", nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                             &bytes);
        return std::wstring(text);
    };
    ASSERT_EQ(engine_->put_UILoaded(1), S_OK);
    ASSERT_EQ(engine_->put_UILoaded(1), S_OK);
    ASSERT_EQ(engine_->put_TransportParam(ComBstr(L"Alpha"), ComBstr(L"path"), ComVariant(L"a")),
              S_OK);
    ASSERT_EQ(engine_->put_UILoaded(0), S_OK);
    LONG count = -1;
    EXPECT_EQ(engine_->get_UILoaded(&count), S_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(storedPath(), L"<none>") << "one user interface is still there";
    ASSERT_EQ(engine_->put_UILoaded(0), S_OK);
    EXPECT_EQ(storedPath(), L"a");
    ASSERT_EQ(engine_->put_UILoaded(0), S_OK);
    EXPECT_EQ(engine_->get_UILoaded(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(engine_->UnloadUI(), E_FAIL);
    EXPECT_EQ(LastErrorText(), L"User Interface component is not loaded");
}

// A user interface that connects while a job is open is replayed the job's events; one that
// connects with no job open gets none.
TEST_F(EngineInProcess, UserInterfaceConnectingWithEventsIsReplayedTheOpenJob) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    ASSERT_EQ(engine_->put_UILoadedWithEvents(1), S_OK);
    Sleep(200);
    EXPECT_TRUE(recorder->Lines({kOnStartJob, kOnPageRendered, kOnAllPagesRendered}).empty());

    ASSERT_NO_FATAL_FAILURE(Capture(5, {{L"one"}, {L"two"}}));
    EXPECT_EQ(recorder->Lines({kOnPageRendered, kOnAllPagesRendered}),
              (std::vector<std::wstring>{L"3(0)", L"3(1)", L"4"}))
        << "posted by the job thread while nobody is replayed";
    recorder->Clear();
    ASSERT_EQ(engine_->put_UILoadedWithEvents(1), S_OK);
    recorder->WaitFor(4);
    EXPECT_EQ(recorder->Lines({kOnStartJob, kOnPageRendered, kOnAllPagesRendered}), JobLines(2));
    LONG count = 0;
    EXPECT_EQ(engine_->get_UILoaded(&count), S_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(engine_->LoadUI(), E_FAIL);
    EXPECT_EQ(LastErrorText(), L"User Interface component already loaded");
    // Stop waits for the replay; the open job is forgotten.
    ASSERT_EQ(engine_->Stop(), S_OK);
}

} // namespace
