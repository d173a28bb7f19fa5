#pragma once
#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

#include "com_object.h"
#include "com_ptr.h"
#include "qlx_core.h"

// One _IQLXEvents call as a sink received it.
struct ReceivedEvent {
    DISPID dispid;
    std::wstring args; // "(a,b)" in declared order: numbers and strings, VT_EMPTY as "-"
    DWORD thread;
};

// An _IQLXEvents sink that records every event, its arguments and the thread it came on.
class EventRecorder : public IDispatch, public ObjectBase {
public:
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<EventRecorder, IDispatch>(DIID__IQLXEvents),
                                        QiRow<EventRecorder, IDispatch>(IID_IDispatch)};
        return table;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        ReceivedEvent event{id, L"", GetCurrentThreadId()};
        if (params && params->cArgs > 0) {
            event.args = L"(";
            for (UINT i = params->cArgs; i-- > 0;) {
                const VARIANT& v = params->rgvarg[i];
                if (V_VT(&v) == VT_I4)
                    event.args += std::to_wstring(V_I4(&v));
                else if (V_VT(&v) == VT_BSTR)
                    event.args += V_BSTR(&v) ? V_BSTR(&v) : L"";
                else if (V_VT(&v) == VT_EMPTY)
                    event.args += L"-";
                else
                    event.args += L"?";
                event.args += i ? L"," : L")";
            }
        }
        AcquireSRWLockExclusive(&lock_);
        events_.push_back(event);
        std::function<void()> reaction = reaction_;
        ReleaseSRWLockExclusive(&lock_);
        if (reaction)
            reaction();
        return S_OK;
    }
    // Runs after every event is recorded, on the thread that delivered it (empty: nothing).
    void SetReaction(std::function<void()> reaction) {
        AcquireSRWLockExclusive(&lock_);
        reaction_ = std::move(reaction);
        ReleaseSRWLockExclusive(&lock_);
    }
    std::vector<ReceivedEvent> Events() {
        AcquireSRWLockExclusive(&lock_);
        std::vector<ReceivedEvent> copy = events_;
        ReleaseSRWLockExclusive(&lock_);
        return copy;
    }
    // The events of the given ids only, as "dispid(args)" lines.
    std::vector<std::wstring> Lines(std::initializer_list<DISPID> ids = {}) {
        std::vector<std::wstring> lines;
        for (const ReceivedEvent& e : Events()) {
            bool wanted = ids.size() == 0;
            for (DISPID id : ids)
                wanted = wanted || id == e.dispid;
            if (wanted)
                lines.push_back(std::to_wstring(e.dispid) + e.args);
        }
        return lines;
    }
    // Waits until at least count events arrived (bounded); the number received.
    size_t WaitFor(size_t count, DWORD timeoutMs = 10000) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        for (;;) {
            const size_t have = Events().size();
            if (have >= count || GetTickCount64() >= end)
                return have;
            Sleep(10);
        }
    }
    void Clear() {
        AcquireSRWLockExclusive(&lock_);
        events_.clear();
        ReleaseSRWLockExclusive(&lock_);
    }

    static ComPtr<IDispatch> Make(EventRecorder** recorder) {
        ComObject<EventRecorder>* object = nullptr;
        ComPtr<IDispatch> sink;
        if (SUCCEEDED(ComObject<EventRecorder>::CreateHeld(&object)))
            sink.Attach(object);
        *recorder = object;
        return sink;
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<ReceivedEvent> events_;
    std::function<void()> reaction_;
};

// The expected lines of a whole job's events: start, every page, all rendered.
inline std::vector<std::wstring> JobLines(long pages) {
    std::vector<std::wstring> lines = {L"1"};
    for (long page = 0; page < pages; ++page)
        lines.push_back(L"3(" + std::to_wstring(page) + L")");
    lines.push_back(L"4");
    return lines;
}

// The engine's connection point of _IQLXEvents. Holders across processes keep it while they
// use the engine: under Wine 8 the release of an object's last proxy right after a call on its
// interface can hang, the server waiting for that call to end and missing that it did.
inline HRESULT EventsPoint(IUnknown* engine, IConnectionPoint** point) {
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = engine->QueryInterface(IID_IConnectionPointContainer, container.AsVoidOut());
    return SUCCEEDED(hr) ? container->FindConnectionPoint(DIID__IQLXEvents, point) : hr;
}
