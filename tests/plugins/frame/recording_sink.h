#pragma once
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "com_variant.h"

// A VARIANT as text: strings as they are, longs as "#" and the number, anything else by type.
inline std::wstring VariantText(const VARIANT& v) {
    if (v.vt == VT_BSTR)
        return std::wstring(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal));
    if (v.vt == VT_I4)
        return L"#" + std::to_wstring(v.lVal);
    return L"?vt=" + std::to_wstring(v.vt);
}

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

    // Argument i of event n as text (VariantText).
    std::wstring Arg(size_t n, size_t i) const { return VariantText(events.at(n).args.at(i)); }

    // The OnChangeParam events since the last call, each as "param=value", and the record
    // cleared. Any other event shows as "<event DISPID>", a change from another plug-in as
    // "<from NAME>".
    std::vector<std::wstring> TakeChanges(const std::wstring& plugin) {
        std::vector<std::wstring> changes;
        for (size_t n = 0; n < events.size(); ++n) {
            if (events[n].dispid != 1)
                changes.push_back(L"<event " + std::to_wstring(events[n].dispid) + L">");
            else if (Arg(n, 0) != plugin)
                changes.push_back(L"<from " + Arg(n, 0) + L">");
            else
                changes.push_back(Arg(n, 1) + L"=" + Arg(n, 2));
        }
        events.clear();
        return changes;
    }

    std::vector<Event> events;
    LONG refs_ = 1;

private:
    IID events_;
    HRESULT answer_;
};
