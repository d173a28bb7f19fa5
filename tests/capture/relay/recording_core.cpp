#include <string>

#include "com_ptr.h"
#include "core_ids.h"
#include "core_under_test.h"
#include "fake_engine.h"
#include "handle.h"
#include "qlx_core.h"
#include "server_test_support.h"
#include "temp_dir.h"

namespace {

constexpr DWORD kEndWaitMs = 40000;

// The call file also holds the engine's life and the core's own printer watchers' calls.
bool IsCaptureCall(const std::string& line) {
    for (const char* start : {"int_StartJob(", "int_StartPage(", "int_Add(", "int_EndJob("}) {
        if (line.rfind(start, 0) == 0)
            return true;
    }
    return false;
}

class RecordingCore final : public CoreUnderTest {
public:
    ~RecordingCore() override { End(); }

    bool Start(std::string* why) override {
        Forget();
        if (!FileThere(QLX_CORE_TEST_SERVER)) {
            *why = "missing " + Narrow(QLX_CORE_TEST_SERVER);
            return false;
        }
        if (RunProgram(Quoted(QLX_CORE_TEST_SERVER) + L" /RegServer") != 0) {
            *why = "the recording core does not register";
            return false;
        }
        registered_ = true;
        // Held by the test, so that every relay meets the same running core.
        HRESULT hr = CoCreateInstance(kCoreEngineClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX,
                                      engine_.AsVoidOut());
        LONG identity = 0;
        if (SUCCEEDED(hr))
            hr = engine_->get_Identity(&identity);
        if (FAILED(hr)) {
            *why = "the recording core does not start: " + std::to_string(hr);
            return false;
        }
        process_.Reset(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                                   static_cast<DWORD>(identity / 100)));
        return true;
    }

    bool End() override {
        bool ended = true;
        engine_.Release();
        if (process_) {
            // As the administration program asks the core to end.
            UniqueHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, kCoreWaitEventName));
            if (event)
                SetEvent(event.Get());
            if (WaitForSingleObject(process_.Get(), kEndWaitMs) != WAIT_OBJECT_0) {
                TerminateProcess(process_.Get(), 1);
                ended = false;
            }
            process_.Reset();
        }
        if (registered_) {
            registered_ = false;
            ended = RunProgram(Quoted(QLX_CORE_TEST_SERVER) + L" /UnregServer") == 0 && ended;
        }
        return ended;
    }

    std::vector<std::string> Calls() override {
        std::string text;
        ReadWholeFile(FakeEngineCallFile(), &text);
        std::vector<std::string> calls;
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string line = text.substr(start, end - start);
            if (IsCaptureCall(line))
                calls.push_back(line);
        }
        return calls;
    }

    void Forget() override { DeleteFileW(FakeEngineCallFile().c_str()); }
    bool RefusesUnknownPrinter() const override { return true; }

private:
    bool registered_ = false;
    ComPtr<IQLX> engine_;
    UniqueHandle process_;
};

} // namespace

std::unique_ptr<CoreUnderTest> MakeRecordingCore() {
    return std::make_unique<RecordingCore>();
}
