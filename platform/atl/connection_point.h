#pragma once
#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "com_ptr.h"
#include "srw_lock.h"

// Told about the sinks of a connection point (outside its lock).
class ConnectionObserver {
public:
    // Before the sink can be called; an Advise that then fails (out of memory) is followed by
    // OnUnadvised.
    virtual void OnAdvised(DWORD cookie) noexcept = 0;
    virtual void OnUnadvised(DWORD cookie) noexcept = 0;
    // The sink was dropped because its process died.
    virtual void OnSinkDropped(DWORD cookie) noexcept = 0;

protected:
    ~ConnectionObserver() = default;
};

// Whether a call failed because the peer's process or its stub is gone.
bool IsDeadPeerError(HRESULT hr) noexcept;

// The connection point of one outgoing interface, a part of its container object: its
// reference count is the container's. Sinks are kept in cookie order under a lock that is
// held only to add, remove or take one sink.
class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* container, REFIID iid,
                    ConnectionObserver* observer = nullptr) noexcept
        : container_(container), iid_(iid), observer_(observer) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return container_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return container_->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

    REFIID Iid() const { return iid_; }
    size_t SinkCount() noexcept;
    // The first sink whose cookie is above after (0 for the first of all), with a reference;
    // null when there is none. *cookie receives its cookie.
    ComPtr<IUnknown> NextSink(DWORD after, DWORD* cookie) noexcept;
    // Removes a sink whose peer died and tells the observer; false when it was already gone.
    bool DropSink(DWORD cookie) noexcept;

    // Calls call(sink) for every sink connected when the firing began, each taken under the
    // lock and called outside it. A failing sink is skipped; one whose process died is
    // dropped. Returns the number of sinks called.
    template <class Call> size_t ForEachSink(Call&& call) noexcept {
        DWORD last = LastCookie();
        size_t called = 0;
        DWORD cookie = 0;
        for (ComPtr<IUnknown> sink = NextSink(0, &cookie); sink && cookie <= last;
             sink = NextSink(cookie, &cookie)) {
            ++called;
            if (IsDeadPeerError(call(sink.Get())))
                DropSink(cookie);
        }
        return called;
    }
    // Invokes dispid as a method on every sink (a dispinterface's event).
    size_t FireDispatch(DISPID dispid, DISPPARAMS* params) noexcept;

private:
    struct Sink {
        DWORD cookie;
        ComPtr<IUnknown> sink;
    };

    DWORD LastCookie() noexcept;
    // Adds the sink at its cookie's place; false when out of memory.
    bool Insert(DWORD cookie, const ComPtr<IUnknown>& sink) noexcept;
    ComPtr<IUnknown> TakeSink(DWORD cookie) noexcept;

    IConnectionPointContainer* container_;
    IID iid_;
    ConnectionObserver* observer_;
    SrwLock lock_;
    std::vector<Sink> sinks_;
    DWORD next_cookie_ = 1;
};

// IConnectionPointContainer over a fixed set of connection points of the object.
HRESULT FindConnectionPointIn(ConnectionPoint* const* points, size_t count, REFIID iid,
                              IConnectionPoint** out) noexcept;
