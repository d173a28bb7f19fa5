#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core_adapter.h"
#include "core_under_test.h"
#include "server_test_support.h"

namespace {

// The thread's apartment, or -1 when it is not in COM.
int Apartment() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) ? static_cast<int>(type) : -1;
}

template <class Body> void OnThread(Body body) {
    std::thread thread(body);
    thread.join();
}

// The adapter binds the recording core, and leaves COM only where it entered it. The test's
// own thread is a single-threaded apartment, so that other threads are in no apartment
// until they enter one.
class CoreAdapter : public testing::Test {
protected:
    void SetUp() override {
        core_ = MakeRecordingCore();
        std::string why;
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        initialized_ = true;
        ASSERT_TRUE(core_->Start(&why)) << why;
    }
    void TearDown() override {
        if (core_) {
            EXPECT_TRUE(core_->End());
        }
        if (initialized_)
            CoUninitialize();
    }

    std::unique_ptr<CoreUnderTest> core_;
    bool initialized_ = false;
};

TEST_F(CoreAdapter, AThreadOutsideComEntersItForTheJobAndLeavesItAtTheEnd) {
    OnThread([] {
        EXPECT_EQ(Apartment(), -1);
        EXPECT_EQ(DriverStartJob(L"Lettrix", L"RAW", 5, 300, nullptr), S_OK);
        EXPECT_TRUE(AdapterBound());
        EXPECT_EQ(Apartment(), APTTYPE_STA);
        EXPECT_EQ(DriverStartPage(10, 20), S_OK);
        EXPECT_EQ(DriverAdd(1, 2, 3, 4, L"text", nullptr), S_OK);
        EXPECT_EQ(DriverEndJob(), S_OK);
        EXPECT_FALSE(AdapterBound());
        EXPECT_EQ(Apartment(), -1);
    });
    EXPECT_EQ(core_->Calls(), (std::vector<std::string>{
                                  "int_StartJob(Lettrix,RAW,5,300,(null))", "int_StartPage(10,20)",
                                  "int_Add(1,2,3,4,text,(null))", "int_EndJob()"}));
}

// The spooler's thread may be in COM already: it stays in its apartment afterwards.
TEST_F(CoreAdapter, AThreadAlreadyInComStaysInItsApartment) {
    for (DWORD model : {COINIT_MULTITHREADED, COINIT_APARTMENTTHREADED}) {
        SCOPED_TRACE(model);
        OnThread([model] {
            ASSERT_EQ(CoInitializeEx(nullptr, model), S_OK);
            const int apartment = Apartment();
            EXPECT_EQ(start_adapter(), 0);
            EXPECT_EQ(DriverEndJob(), S_OK);
            EXPECT_EQ(Apartment(), apartment);
            stop_adapter();
            EXPECT_EQ(Apartment(), apartment) << "nothing left to leave";
            CoUninitialize();
            EXPECT_EQ(Apartment(), -1);
        });
    }
}

// A job that does not reach its end lets go of the core without int_EndJob; a second start
// rebinds without entering COM twice.
TEST_F(CoreAdapter, StopReleasesTheCoreWithoutEndingTheJob) {
    OnThread([] {
        EXPECT_EQ(DriverStartJob(L"Lettrix", L"RAW", 6, 300, L"a"), S_OK);
        EXPECT_EQ(DriverStartJob(L"Lettrix", L"RAW", 7, 300, L"b"), S_OK);
        stop_adapter();
        EXPECT_FALSE(AdapterBound());
        EXPECT_EQ(Apartment(), -1) << "entered once, left once";
        EXPECT_EQ(DriverAdd(1, 2, 3, 4, L"dropped", L"F"), S_FALSE);
        EXPECT_EQ(DriverEndJob(), S_FALSE);
    });
    EXPECT_EQ(core_->Calls(), (std::vector<std::string>{"int_StartJob(Lettrix,RAW,6,300,a)",
                                                        "int_StartJob(Lettrix,RAW,7,300,b)"}));
}

TEST(CoreAdapterWithoutCore, StartFailsAndTheJobIsDropped) {
    OnThread([] {
        EXPECT_EQ(start_adapter(), -1);
        EXPECT_FALSE(AdapterBound());
        EXPECT_TRUE(FAILED(DriverStartJob(L"Lettrix", L"RAW", 8, 300, L"doc")));
        EXPECT_EQ(DriverStartPage(1, 2), S_FALSE);
        EXPECT_EQ(DriverEndJob(), S_FALSE);
        EXPECT_EQ(Apartment(), -1);
    });
}

} // namespace
