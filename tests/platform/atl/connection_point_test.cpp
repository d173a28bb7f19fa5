#include <gtest/gtest.h>

#include <olectl.h>

#include <functional>
#include <string>
#include <vector>

#include "com_object.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "connection_point.h"

namespace {

const IID kEventsIid = {0x5e1f0c11, 0x4a2b, 0x4c3d, {0x9e, 0x8f, 1, 2, 3, 4, 5, 6}};

// An event sink that records its calls and answers with a chosen result.
class RecordingSink : public IDispatch, public ObjectBase {
public:
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<RecordingSink, IDispatch>(kEventsIid),
                                        QiRow<RecordingSink, IDispatch>(IID_IDispatch)};
        return table;
    }
    HRESULT answer = S_OK;
    std::vector<DISPID> calls;
    std::vector<LONG> arguments;

    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                        EXCEPINFO*, UINT*) override {
        EXPECT_EQ(flags, DISPATCH_METHOD);
        calls.push_back(id);
        if (params && params->cArgs == 1 && params->rgvarg[0].vt == VT_I4)
            arguments.push_back(params->rgvarg[0].lVal);
        return answer;
    }
};

// The connection point's owner: counts its listeners as the core does.
class EventSource : public IConnectionPointContainer, public ObjectBase, public ConnectionObserver {
public:
    EventSource() : point_(this, kEventsIid, this) {}
    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<EventSource, IConnectionPointContainer>(IID_IConnectionPointContainer)};
        return table;
    }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        ConnectionPoint* points[] = {&point_};
        return FindConnectionPointIn(points, 1, iid, out);
    }
    void OnAdvised(DWORD cookie) noexcept override {
        // A copy: the hook may replace itself.
        if (std::function<void()> hook = whileAdvising)
            hook();
        ++listeners;
        notices.push_back("advised " + std::to_string(cookie));
    }
    void OnUnadvised(DWORD) noexcept override { --listeners; }
    void OnSinkDropped(DWORD cookie) noexcept override {
        --listeners;
        dropped.push_back(cookie);
        notices.push_back("dropped " + std::to_string(cookie));
    }

    ConnectionPoint& Point() { return point_; }
    LONG listeners = 0;
    std::vector<DWORD> dropped;
    std::vector<std::string> notices;
    std::function<void()> whileAdvising; // what other threads do while an Advise is counted

private:
    ConnectionPoint point_;
};

struct Sinks {
    ComObject<RecordingSink>* object;
    ComPtr<IDispatch> holder;
};

Sinks NewSink(HRESULT answer) {
    ComObject<RecordingSink>* sink = nullptr;
    EXPECT_EQ(ComObject<RecordingSink>::CreateHeld(&sink), S_OK);
    sink->answer = answer;
    Sinks result{sink, nullptr};
    result.holder.Attach(sink);
    return result;
}

class ConnectionPointTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ComObject<EventSource>::CreateHeld(&source_), S_OK);
        holder_.Attach(source_);
        ASSERT_EQ(holder_->FindConnectionPoint(kEventsIid, &point_), S_OK);
    }
    ComObject<EventSource>* source_ = nullptr;
    ComPtr<IConnectionPointContainer> holder_;
    ComPtr<IConnectionPoint> point_;
};

TEST_F(ConnectionPointTest, FiresEverySinkAndDropsOnlyThoseWhoseProcessDied) {
    struct Row {
        const char* name;
        HRESULT answer;
        bool dropped;
    };
    const Row rows[] = {
        {"working", S_OK, false},
        {"failing", E_FAIL, false},
        {"disconnected", RPC_E_DISCONNECTED, true},
        {"server unavailable", HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), true},
        {"server died", RPC_E_SERVER_DIED, true},
        {"server died, not executed", RPC_E_SERVER_DIED_DNE, true},
        {"object not connected", CO_E_OBJNOTCONNECTED, true},
        {"working behind the dead ones", S_OK, false},
    };
    std::vector<Sinks> sinks;
    std::vector<DWORD> cookies;
    for (const Row& row : rows) {
        sinks.push_back(NewSink(row.answer));
        DWORD cookie = 0;
        ASSERT_EQ(point_->Advise(sinks.back().holder, &cookie), S_OK) << row.name;
        cookies.push_back(cookie);
    }
    EXPECT_EQ(source_->listeners, 8);

    ComVariant argument(7L);
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    EXPECT_EQ(source_->Point().FireDispatch(3, &params), 8u);
    EXPECT_EQ(source_->Point().FireDispatch(4, &params), 3u) << "the dead sinks are gone";

    for (size_t i = 0; i < sinks.size(); ++i) {
        const Row& row = rows[i];
        const std::vector<DISPID> expected =
            row.dropped ? std::vector<DISPID>{3} : std::vector<DISPID>{3, 4};
        EXPECT_EQ(sinks[i].object->calls, expected) << row.name;
        EXPECT_EQ(sinks[i].object->arguments.front(), 7) << row.name;
    }
    EXPECT_EQ(source_->listeners, 3) << "each dropped sink lowered the listener count";
    EXPECT_EQ(source_->dropped,
              (std::vector<DWORD>{cookies[2], cookies[3], cookies[4], cookies[5], cookies[6]}));
    EXPECT_EQ(point_->Unadvise(cookies[2]), CONNECT_E_NOCONNECTION)
        << "a dropped sink is no longer connected";
    EXPECT_EQ(point_->Unadvise(cookies[0]), S_OK);
    EXPECT_EQ(source_->listeners, 2);
}

TEST_F(ConnectionPointTest, AdviseAndUnadviseCheckTheirArguments) {
    DWORD cookie = 0xdead;
    EXPECT_EQ(point_->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(cookie, 0u);
    // A sink without the outgoing interface cannot connect.
    EXPECT_EQ(point_->Advise(holder_, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(point_->Unadvise(12345), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(source_->listeners, 0);

    Sinks sink = NewSink(S_OK);
    ASSERT_EQ(point_->Advise(sink.holder, &cookie), S_OK);
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(point_->GetConnectionPointContainer(&container), S_OK);
    EXPECT_EQ(container.Get(), holder_.Get());
    IID iid;
    EXPECT_EQ(point_->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(IsEqualIID(iid, kEventsIid));
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(holder_->FindConnectionPoint(IID_IDispatch, &none), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point_->Unadvise(cookie), S_OK);
    EXPECT_EQ(point_->Unadvise(cookie), CONNECT_E_NOCONNECTION) << "twice";
}

// A sink that unadvises itself while it is being called: the firing goes on with the next.
TEST_F(ConnectionPointTest, ASinkMayDisconnectWhileItIsCalled) {
    Sinks first = NewSink(S_OK), second = NewSink(S_OK);
    DWORD firstCookie = 0, secondCookie = 0;
    ASSERT_EQ(point_->Advise(first.holder, &firstCookie), S_OK);
    ASSERT_EQ(point_->Advise(second.holder, &secondCookie), S_OK);
    size_t called = source_->Point().ForEachSink([&](IUnknown* sink) -> HRESULT {
        if (sink == first.holder.Get()) {
            EXPECT_EQ(point_->Unadvise(firstCookie), S_OK);
        }
        return static_cast<IDispatch*>(sink)->Invoke(9, IID_NULL, 0, DISPATCH_METHOD, nullptr,
                                                     nullptr, nullptr, nullptr);
    });
    EXPECT_EQ(called, 2u);
    EXPECT_EQ(first.object->calls, std::vector<DISPID>{9});
    EXPECT_EQ(second.object->calls, std::vector<DISPID>{9});
    EXPECT_EQ(source_->Point().SinkCount(), 1u);
}

// A sink whose process dies while its Advise is being counted: an event fired in that moment
// must not drop it before it is counted, or the count would end one too high (it never falls
// below 0).
TEST_F(ConnectionPointTest, ASinkIsCountedBeforeAnEventCanDropIt) {
    Sinks dead = NewSink(RPC_E_SERVER_DIED);
    source_->whileAdvising = [this] { source_->Point().FireDispatch(3, nullptr); };
    DWORD cookie = 0;
    ASSERT_EQ(point_->Advise(dead.holder, &cookie), S_OK);
    source_->whileAdvising = nullptr;
    EXPECT_EQ(source_->Point().FireDispatch(4, nullptr), 1u);
    EXPECT_EQ(dead.object->calls, std::vector<DISPID>{4});
    const std::string id = std::to_string(cookie);
    EXPECT_EQ(source_->notices, (std::vector<std::string>{"advised " + id, "dropped " + id}));
    EXPECT_EQ(source_->listeners, 0);
}

// Sinks advised in any order are each called once, in the order of their cookies.
TEST_F(ConnectionPointTest, SinksAdvisedWhileAnotherAdviseIsCountedAreAllCalled) {
    Sinks outer = NewSink(S_OK), inner = NewSink(S_OK);
    DWORD innerCookie = 0;
    source_->whileAdvising = [&] {
        source_->whileAdvising = nullptr;
        EXPECT_EQ(point_->Advise(inner.holder, &innerCookie), S_OK);
    };
    DWORD outerCookie = 0;
    ASSERT_EQ(point_->Advise(outer.holder, &outerCookie), S_OK);
    EXPECT_LT(outerCookie, innerCookie);
    EXPECT_EQ(source_->Point().FireDispatch(5, nullptr), 2u);
    EXPECT_EQ(outer.object->calls, std::vector<DISPID>{5});
    EXPECT_EQ(inner.object->calls, std::vector<DISPID>{5});
    EXPECT_EQ(source_->listeners, 2);
}

} // namespace
