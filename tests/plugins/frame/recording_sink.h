#pragma once
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "com_variant.h"

// An event sink for a plug-in's event interface that records every event (dispid and
// arguments in call order) and answers with a chosen result.
class RecordingSink final : public IDispatch {
public:
    struct Event {
        DISPID dispid;
        std::vector<ComVariant> args; // first argument first
    };

    RecordingSink(REFIID events, HRESULT answer = S_OK) : events_(events), answer_(answer) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, events_)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs_); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                        EXCEPINFO*, UINT*) override {
        Event event{dispid, {}};
        if (flags == DISPATCH_METHOD && params) {
            for (UINT i = params->cArgs; i > 0; --i) {
                event.args.emplace_back();
                event.args.back().CopyFrom(&params->rgvarg[i - 1]);
            }
        }
        events.push_back(std::move(event));
        return answer_;
    }

    // Argument i of event n as text (strings as they are, longs in decimal).
    std::wstring Arg(size_t n, size_t i) const {
        const VARIANT& v = events.at(n).args.at(i);
        if (v.vt == VT_BSTR)
            return v.bstrVal ? v.bstrVal : L"";
        if (v.vt == VT_I4)
            return L"#" + std::to_wstring(v.lVal);
        return L"?vt=" + std::to_wstring(v.vt);
    }

    std::vector<Event> events;
    LONG refs_ = 1;

private:
    IID events_;
    HRESULT answer_;
};
