#pragma once
#include <windows.h>
#include <oleauto.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "event_dispatcher.h"

// One event as a listener saw it: the arguments in declared order, each as "<type> <value>"
// ("I4 16", "BSTR text", "VT<n> <value as text>"), and the thread that fired it.
struct FiredEvent {
    DISPID dispid;
    std::vector<std::wstring> args;
    DWORD thread;
};

inline std::wstring DescribeArg(const VARIANT& v) {
    if (v.vt == VT_I4)
        return L"I4 " + std::to_wstring(v.lVal);
    if (v.vt == VT_BSTR)
        return std::wstring(L"BSTR ") + (v.bstrVal ? v.bstrVal : L"");
    std::wstring text = L"VT" + std::to_wstring(v.vt);
    VARIANT copy;
    VariantInit(&copy);
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(&v), 0, VT_BSTR)))
        text += std::wstring(L" ") + copy.bstrVal;
    VariantClear(&copy);
    return text;
}

// Records every dispatched event. Events with the gated dispid wait in Dispatch until the gate
// opens, which keeps an events thread busy for as long as a test needs.
class RecordingDispatcher : public EventDispatcher {
public:
    explicit RecordingDispatcher(DISPID gated = -1) : gated_(gated) {
        gate_ = CreateEventW(nullptr, TRUE, gated == -1, nullptr);
    }
    ~RecordingDispatcher() { CloseHandle(gate_); }

    void Dispatch(DISPID dispid, DISPPARAMS* params) noexcept override {
        if (dispid == gated_)
            WaitForSingleObject(gate_, INFINITE);
        try {
            FiredEvent event{dispid, {}, GetCurrentThreadId()};
            EXPECT_EQ(params->cNamedArgs, 0u);
            // Invoke takes the arguments last first.
            for (UINT i = params->cArgs; i-- > 0;)
                event.args.push_back(DescribeArg(params->rgvarg[i]));
            std::lock_guard<std::mutex> hold(mutex_);
            events_.push_back(std::move(event));
            changed_.notify_all();
        } catch (...) {
            ADD_FAILURE() << "recording failed";
        }
    }

    void OpenGate() { SetEvent(gate_); }

    // Waits until at least count events were recorded; false after a generous time, so that a
    // lost event fails the test instead of hanging it.
    bool WaitForCount(size_t count) {
        std::unique_lock<std::mutex> hold(mutex_);
        return changed_.wait_for(hold, std::chrono::seconds(30),
                                 [&] { return events_.size() >= count; });
    }

    std::vector<FiredEvent> Events() {
        std::lock_guard<std::mutex> hold(mutex_);
        return events_;
    }

private:
    DISPID gated_;
    HANDLE gate_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<FiredEvent> events_;
};
