#include <gtest/gtest.h>

#include <objidl.h>

#include <thread>
#include <vector>

#include "class_factory.h"
#include "com_ptr.h"

namespace {

LONG g_alive = 0;
LONG g_mostAlive = 0;
LONG g_created = 0;
LONG g_callsOnDead = 0;

// An engine that notes how many of its kind live at once; its destruction takes a while so
// that activations meet it dying.
class Engine : public IPersist, public ObjectBase {
public:
    Engine() {
        LONG alive = InterlockedIncrement(&g_alive);
        InterlockedIncrement(&g_created);
        for (LONG most = g_mostAlive; alive > most; most = g_mostAlive)
            InterlockedCompareExchange(&g_mostAlive, alive, most);
    }
    ~Engine() override {
        alive_ = false;
        Sleep(1);
        InterlockedDecrement(&g_alive);
    }
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<Engine, IPersist>(IID_IPersist)};
        return table;
    }
    STDMETHODIMP GetClassID(CLSID* id) override {
        if (!alive_)
            InterlockedIncrement(&g_callsOnDead);
        *id = CLSID_NULL;
        return S_OK;
    }

private:
    volatile bool alive_ = true;
};

TEST(SingletonFactory, HandsOutOneObjectAndMakesItAnewAfterTheLastRelease) {
    static SingletonFactory<Engine> factory;
    g_created = 0;
    ComPtr<IPersist> first, second;
    ASSERT_EQ(factory.CreateInstance(nullptr, IID_IPersist, first.AsVoidOut()), S_OK);
    ASSERT_EQ(factory.CreateInstance(nullptr, IID_IPersist, second.AsVoidOut()), S_OK);
    EXPECT_EQ(first.Get(), second.Get()) << "every client gets the same object";
    EXPECT_EQ(g_created, 1);

    first.Release();
    EXPECT_TRUE(factory.HasObject()) << "one client still holds it";
    second.Release();
    EXPECT_FALSE(factory.HasObject()) << "the factory holds its object weakly";
    EXPECT_EQ(g_alive, 0);

    ASSERT_EQ(factory.CreateInstance(nullptr, IID_IPersist, first.AsVoidOut()), S_OK);
    EXPECT_EQ(g_created, 2) << "the next activation makes a new object";
    void* out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(factory.CreateInstance(nullptr, IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

TEST(SingletonFactory, CreationRacingTheFinalReleaseNeverSeesTwoObjectsOrADeadOne) {
    static SingletonFactory<Engine> factory;
    g_created = 0;
    g_mostAlive = 0;
    g_callsOnDead = 0;
    constexpr int kThreads = 8;
    constexpr int kRounds = 300;
    LONG failures = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                ComPtr<IPersist> engine;
                if (FAILED(factory.CreateInstance(nullptr, IID_IPersist, engine.AsVoidOut()))) {
                    InterlockedIncrement(&failures);
                    continue;
                }
                CLSID id;
                engine->GetClassID(&id);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(g_mostAlive, 1) << "two engines were alive at once";
    EXPECT_EQ(g_callsOnDead, 0) << "a dying engine was handed out again";
    EXPECT_EQ(g_alive, 0);
    EXPECT_FALSE(factory.HasObject());
    EXPECT_GT(g_created, 1) << "the engine was never released and made anew: the race was not run";
}

} // namespace

namespace {

HANDLE g_freeing = CreateEventW(nullptr, TRUE, FALSE, nullptr);
HANDLE g_resumeFree = CreateEventW(nullptr, TRUE, FALSE, nullptr);
LONG g_slowCreated = 0;
LONG g_stallNextFree = 0;

// Its memory is scrambled and held for a while when it is freed, so that an activation that
// still reached the freed object would find a plausible count there and take it.
class SlowFree : public IPersist, public ObjectBase {
public:
    SlowFree() { InterlockedIncrement(&g_slowCreated); }
    static void operator delete(void* p, size_t size) {
        memset(p, 0x01, size);
        if (InterlockedExchange(&g_stallNextFree, 0)) {
            SetEvent(g_freeing);
            WaitForSingleObject(g_resumeFree, 10000);
        }
        ::operator delete(p);
    }
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<SlowFree, IPersist>(IID_IPersist)};
        return table;
    }
    STDMETHODIMP GetClassID(CLSID* id) override {
        *id = CLSID_NULL;
        return S_OK;
    }
};

TEST(SingletonFactory, AnActivationDuringTheFinalFreeGetsANewObject) {
    static SingletonFactory<SlowFree> factory;
    ComPtr<IPersist> first;
    ASSERT_EQ(factory.CreateInstance(nullptr, IID_IPersist, first.AsVoidOut()), S_OK);
    g_stallNextFree = 1;
    std::thread releaser([&] { first.Release(); });
    ASSERT_EQ(WaitForSingleObject(g_freeing, 10000), WAIT_OBJECT_0);

    ComPtr<IPersist> second;
    HRESULT hr = E_FAIL;
    std::thread activator(
        [&] { hr = factory.CreateInstance(nullptr, IID_IPersist, second.AsVoidOut()); });
    Sleep(50); // lets the activation meet the object being freed
    SetEvent(g_resumeFree);
    releaser.join();
    activator.join();
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(g_slowCreated, 2) << "the freed object was handed out again";
}

LONG g_selfHandedDestroyed = 0;

// Hands itself out and takes it back while it is destroyed, as an engine that gives its own
// collection to a plug-in while it stops.
class HandsItselfOut : public IPersist, public ObjectBase {
public:
    ~HandsItselfOut() override {
        AddRefImpl();
        ReleaseImpl();
        InterlockedIncrement(&g_selfHandedDestroyed);
    }
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<HandsItselfOut, IPersist>(IID_IPersist)};
        return table;
    }
    STDMETHODIMP GetClassID(CLSID* id) override {
        *id = CLSID_NULL;
        return S_OK;
    }
};

TEST(ComObject, AReferenceTakenInTheDestructorDoesNotDestroyItTwice) {
    ComPtr<IPersist> object;
    ASSERT_EQ(ComObject<HandsItselfOut>::Create(IID_IPersist, object.AsVoidOut()), S_OK);
    object.Release();
    EXPECT_EQ(g_selfHandedDestroyed, 1);
}

} // namespace
