#include "connection_point.h"

#include <olectl.h>

#include <algorithm>
#include <new>

bool IsDeadPeerError(HRESULT hr) noexcept {
    return hr == RPC_E_DISCONNECTED || hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
           hr == RPC_S_SERVER_UNAVAILABLE || hr == RPC_E_SERVER_DIED ||
           hr == RPC_E_SERVER_DIED_DNE || hr == CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint))
        return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = iid_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out)
        return E_POINTER;
    *out = container_;
    container_->AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    ComPtr<IUnknown> typed;
    if (FAILED(sink->QueryInterface(iid_, typed.AsVoidOut())))
        return CONNECT_E_CANNOTCONNECT;
    DWORD given;
    {
        SrwGuard guard(lock_);
        given = next_cookie_++;
    }
    // Counted before a firing can reach the sink: were it dropped first (its process died), the
    // count would fall before it rose and end one too high.
    if (observer_)
        observer_->OnAdvised(given);
    if (!Insert(given, typed)) {
        if (observer_)
            observer_->OnUnadvised(given);
        return E_OUTOFMEMORY;
    }
    *cookie = given;
    return S_OK;
}

bool ConnectionPoint::Insert(DWORD cookie, const ComPtr<IUnknown>& sink) noexcept {
    SrwGuard guard(lock_);
    // Advises that ran side by side may arrive out of their cookies' order.
    const auto at = std::upper_bound(sinks_.begin(), sinks_.end(), cookie,
                                     [](DWORD c, const Sink& s) { return c < s.cookie; });
    try {
        sinks_.insert(at, Sink{cookie, sink});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    ComPtr<IUnknown> removed = TakeSink(cookie);
    if (!removed)
        return CONNECT_E_NOCONNECTION;
    // The sink's last reference goes outside the lock: releasing a proxy is a remote call.
    removed.Release();
    if (observer_)
        observer_->OnUnadvised(cookie);
    return S_OK;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

ComPtr<IUnknown> ConnectionPoint::TakeSink(DWORD cookie) noexcept {
    SrwGuard guard(lock_);
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->cookie == cookie) {
            ComPtr<IUnknown> taken = std::move(it->sink);
            sinks_.erase(it);
            return taken;
        }
    }
    return nullptr;
}

size_t ConnectionPoint::SinkCount() noexcept {
    SrwGuard guard(lock_);
    return sinks_.size();
}

DWORD ConnectionPoint::LastCookie() noexcept {
    SrwGuard guard(lock_);
    return next_cookie_ - 1;
}

ComPtr<IUnknown> ConnectionPoint::NextSink(DWORD after, DWORD* cookie) noexcept {
    SrwGuard guard(lock_);
    for (const Sink& one : sinks_) {
        if (one.cookie > after) {
            *cookie = one.cookie;
            return one.sink;
        }
    }
    return nullptr;
}

bool ConnectionPoint::DropSink(DWORD cookie) noexcept {
    ComPtr<IUnknown> removed = TakeSink(cookie);
    if (!removed)
        return false;
    removed.Release();
    if (observer_)
        observer_->OnSinkDropped(cookie);
    return true;
}

size_t ConnectionPoint::FireDispatch(DISPID dispid, DISPPARAMS* params) noexcept {
    return ForEachSink([&](IUnknown* sink) -> HRESULT {
        // The sink was taken for the outgoing interface, which for events is a dispinterface.
        auto* dispatch = static_cast<IDispatch*>(sink);
        return dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params,
                                nullptr, nullptr, nullptr);
    });
}

HRESULT FindConnectionPointIn(ConnectionPoint* const* points, size_t count, REFIID iid,
                              IConnectionPoint** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (IsEqualIID(iid, points[i]->Iid())) {
            *out = points[i];
            (*out)->AddRef();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}
