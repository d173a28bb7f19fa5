#include <gtest/gtest.h>

#include <objidl.h>
#include <oaidl.h>

#include "class_factory.h"
#include "com_object.h"
#include "com_ptr.h"
#include "module_lock.h"

namespace {

LONG g_alive = 0;

// A class with an interface reached only through a derived one (IPersist through
// IPersistStream), as IDispatch is reached through a dual interface.
class Sample : public IPersistStream, public ISupportErrorInfo, public ObjectBase {
public:
    Sample() { InterlockedIncrement(&g_alive); }
    ~Sample() override { InterlockedDecrement(&g_alive); }

    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<Sample, IPersistStream>(IID_IPersistStream),
            QiRow<Sample, IPersist, IPersistStream>(IID_IPersist),
            QiRow<Sample, ISupportErrorInfo>(IID_ISupportErrorInfo),
        };
        return table;
    }

    STDMETHODIMP GetClassID(CLSID* id) override {
        *id = CLSID_NULL;
        return S_OK;
    }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
    STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }
};

class FailingConstruct : public IPersist, public ObjectBase {
public:
    FailingConstruct() { InterlockedIncrement(&g_alive); }
    ~FailingConstruct() override { InterlockedDecrement(&g_alive); }
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<FailingConstruct, IPersist>(IID_IPersist)};
        return table;
    }
    HRESULT FinalConstruct() override { return E_ACCESSDENIED; }
    STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
};

ULONG RefCount(IUnknown* unknown) {
    unknown->AddRef();
    return unknown->Release();
}

TEST(ComObject, CountsReferencesAndHoldsTheModuleWhileAlive) {
    const LONG locksBefore = ModuleLock::Count();
    IPersistStream* stream = nullptr;
    ASSERT_EQ(ComObject<Sample>::Create(IID_IPersistStream, reinterpret_cast<void**>(&stream)),
              S_OK);
    EXPECT_EQ(RefCount(stream), 1u) << "after creation";
    EXPECT_EQ(ModuleLock::Count(), locksBefore + 1) << "a live object holds the module";

    IPersist* persist = nullptr;
    ASSERT_EQ(stream->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)), S_OK);
    EXPECT_EQ(RefCount(stream), 2u) << "after QueryInterface";
    EXPECT_EQ(static_cast<IPersist*>(stream), persist) << "the base is reached through the row";
    EXPECT_EQ(persist->Release(), 1u);

    EXPECT_EQ(stream->Release(), 0u) << "last release";
    EXPECT_EQ(g_alive, 0) << "the last release destroys the object";
    EXPECT_EQ(ModuleLock::Count(), locksBefore);
}

TEST(ComObject, QueryInterfaceWalksItsTable) {
    ComPtr<IPersistStream> object;
    ASSERT_EQ(ComObject<Sample>::Create(IID_IPersistStream, object.AsVoidOut()), S_OK);
    struct Case {
        const char* name;
        const IID* iid;
        HRESULT expected;
        IUnknown* expectedPointer;
    };
    const Case cases[] = {
        {"IUnknown answers with the first row", &IID_IUnknown, S_OK,
         static_cast<IPersistStream*>(object.Get())},
        {"IPersistStream", &IID_IPersistStream, S_OK, static_cast<IPersistStream*>(object.Get())},
        {"ISupportErrorInfo", &IID_ISupportErrorInfo, S_OK,
         reinterpret_cast<IUnknown*>(
             static_cast<ISupportErrorInfo*>(static_cast<Sample*>(object.Get())))},
        {"not in the table", &IID_IDispatch, E_NOINTERFACE, nullptr},
    };
    for (const Case& c : cases) {
        // A sentinel: an unanswered query must null the out pointer.
        void* out = reinterpret_cast<void*>(0xdeadbeef);
        EXPECT_EQ(object->QueryInterface(*c.iid, &out), c.expected) << c.name;
        EXPECT_EQ(out, c.expectedPointer) << c.name;
        if (out)
            static_cast<IUnknown*>(out)->Release();
    }
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(RefCount(object), 1u) << "only the holder's reference; no query leaked one";
}

TEST(ComObject, FailedFinalConstructDestroysTheObject) {
    const LONG locksBefore = ModuleLock::Count();
    void* out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(ComObject<FailingConstruct>::Create(IID_IPersist, &out), E_ACCESSDENIED);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(g_alive, 0);
    EXPECT_EQ(ModuleLock::Count(), locksBefore);
}

LONG g_zeroCalls = 0;
void CountZero(void*) {
    ++g_zeroCalls;
}

TEST(ClassFactory, CreatesObjectsAndLockServerMovesTheModuleLock) {
    static ClassFactory<Sample> factory;
    ModuleLock::SetZeroHandler(CountZero, nullptr);
    g_zeroCalls = 0;
    const LONG before = ModuleLock::Count();
    ASSERT_EQ(before, 0) << "no object of another test may be left alive";

    void* out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(factory.CreateInstance(reinterpret_cast<IUnknown*>(&factory), IID_IPersist, &out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory.CreateInstance(nullptr, IID_IPersist, nullptr), E_POINTER);

    ComPtr<IPersist> first, second;
    ASSERT_EQ(factory.CreateInstance(nullptr, IID_IPersist, first.AsVoidOut()), S_OK);
    ASSERT_EQ(factory.CreateInstance(nullptr, IID_IPersist, second.AsVoidOut()), S_OK);
    EXPECT_NE(first.Get(), second.Get()) << "a plain factory makes a new object each time";
    EXPECT_EQ(ModuleLock::Count(), 2);

    factory.LockServer(TRUE);
    first.Release();
    second.Release();
    EXPECT_EQ(ModuleLock::Count(), 1) << "LockServer holds the module without objects";
    EXPECT_EQ(g_zeroCalls, 0);
    factory.LockServer(FALSE);
    EXPECT_EQ(ModuleLock::Count(), 0);
    EXPECT_EQ(g_zeroCalls, 1) << "the server is told once when the count falls to zero";
    ModuleLock::SetZeroHandler(nullptr, nullptr);
}

TEST(ClassTable, FindsTheFactoryOfItsClasses) {
    static ClassFactory<Sample> factory;
    const CLSID known = {0x1b2c3d4e, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
    const ClassEntry table[] = {{&known, &factory}};
    void* out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(GetClassObjectFromTable(table, 1, CLSID_NULL, IID_IClassFactory, &out),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(GetClassObjectFromTable(table, 1, known, IID_IClassFactory, &out), S_OK);
    EXPECT_EQ(out, static_cast<IClassFactory*>(&factory));
}

} // namespace
