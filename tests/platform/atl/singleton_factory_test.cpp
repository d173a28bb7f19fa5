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
