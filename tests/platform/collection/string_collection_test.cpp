#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <thread>
#include <vector>

#include "com_bstr.h"
#include "com_object.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "string_collection.h"

namespace {

ComPtr<IQLX_BSTR_Collection> NewCollection() {
    ComPtr<IQLX_BSTR_Collection> collection;
    EXPECT_EQ(
        ComObject<CStringCollection>::Create(IID_IQLX_BSTR_Collection, collection.AsVoidOut()),
        S_OK);
    return collection;
}

std::vector<std::wstring> Contents(IQLX_BSTR_Collection* collection) {
    std::vector<std::wstring> items;
    LONG count = -1;
    collection->get_Count(&count);
    for (LONG i = 0; i < count; ++i) {
        ComBstr item;
        EXPECT_EQ(collection->GetItem(i, &item), S_OK);
        items.emplace_back(item.c_str(), item.Length());
    }
    return items;
}

// One step of a script of operations on one collection, with what the collection then holds.
struct Step {
    const char* name;
    enum Op { kAdd, kInsert, kReplace, kRemove, kRemoveAll } op;
    LONG index;
    const wchar_t* text;
    HRESULT expected;
    std::vector<std::wstring> after;
};

TEST(StringCollection, OperationsKeepTheOrderAndRefuseBadIndices) {
    ComPtr<IQLX_BSTR_Collection> collection = NewCollection();
    const Step steps[] = {
        {"add to empty", Step::kAdd, 0, L"page 1", S_OK, {L"page 1"}},
        {"add", Step::kAdd, 0, L"page 2", S_OK, {L"page 1", L"page 2"}},
        {"insert at front (separator)",
         Step::kInsert,
         0,
         L"sep",
         S_OK,
         {L"sep", L"page 1", L"page 2"}},
        {"insert at the end",
         Step::kInsert,
         3,
         L"footer",
         S_OK,
         {L"sep", L"page 1", L"page 2", L"footer"}},
        {"insert past the end",
         Step::kInsert,
         5,
         L"x",
         E_INVALIDARG,
         {L"sep", L"page 1", L"page 2", L"footer"}},
        {"insert before 0",
         Step::kInsert,
         -1,
         L"x",
         E_INVALIDARG,
         {L"sep", L"page 1", L"page 2", L"footer"}},
        {"replace", Step::kReplace, 1, L"edited", S_OK, {L"sep", L"edited", L"page 2", L"footer"}},
        {"replace at count",
         Step::kReplace,
         4,
         L"x",
         E_INVALIDARG,
         {L"sep", L"edited", L"page 2", L"footer"}},
        {"remove first, later ones move down",
         Step::kRemove,
         0,
         nullptr,
         S_OK,
         {L"edited", L"page 2", L"footer"}},
        {"remove last", Step::kRemove, 2, nullptr, S_OK, {L"edited", L"page 2"}},
        {"remove at count", Step::kRemove, 2, nullptr, E_INVALIDARG, {L"edited", L"page 2"}},
        {"null string is empty", Step::kAdd, 0, nullptr, S_OK, {L"edited", L"page 2", L""}},
        {"remove all", Step::kRemoveAll, 0, nullptr, S_OK, {}},
        {"remove from empty", Step::kRemove, 0, nullptr, E_INVALIDARG, {}},
    };
    for (const Step& step : steps) {
        ComBstr text(step.text);
        HRESULT hr = E_UNEXPECTED;
        switch (step.op) {
        case Step::kAdd:
            hr = collection->Add(text);
            break;
        case Step::kInsert:
            hr = collection->Insert(step.index, text);
            break;
        case Step::kReplace:
            hr = collection->Replace(step.index, text);
            break;
        case Step::kRemove:
            hr = collection->Remove(step.index);
            break;
        case Step::kRemoveAll:
            hr = collection->RemoveAll();
            break;
        }
        EXPECT_EQ(hr, step.expected) << step.name;
        EXPECT_EQ(Contents(collection), step.after) << step.name;
    }
}

TEST(StringCollection, ReadsByIndexAndFindsExactStrings) {
    ComPtr<IQLX_BSTR_Collection> collection = NewCollection();
    for (const wchar_t* name : {L"Printer", L"printer", L"Quorvane Text Printer"})
        ASSERT_EQ(collection->Add(ComBstr(name)), S_OK);
    // A string with an embedded terminator is kept whole.
    ASSERT_EQ(collection->Add(ComBstr(L"a\0b", 3)), S_OK);

    struct Find {
        ComBstr text;
        LONG expected;
    };
    const Find finds[] = {{ComBstr(L"printer"), 1},
                          {ComBstr(L"Printer"), 0},
                          {ComBstr(L"PRINTER"), -1},
                          {ComBstr(L"Quorvane Text"), -1},
                          {ComBstr(L"a\0b", 3), 3},
                          {ComBstr(L"a"), -1},
                          {ComBstr(), -1}};
    for (const Find& find : finds) {
        LONG index = 99;
        EXPECT_EQ(collection->Contains(find.text, &index), S_OK);
        EXPECT_EQ(index, find.expected) << "Contains(" << find.text.c_str() << ")";
    }
    EXPECT_EQ(collection->Contains(ComBstr(L"x"), nullptr), E_POINTER);

    ComVariant value;
    EXPECT_EQ(collection->Item(ComVariant(2L), &value), S_OK);
    EXPECT_EQ(value.vt, VT_BSTR);
    EXPECT_STREQ(value.bstrVal, L"Quorvane Text Printer");
    // The index may come as any type that converts to an integer, a script's string included.
    EXPECT_EQ(collection->Item(ComVariant(L"1"), &value), S_OK);
    EXPECT_STREQ(value.bstrVal, L"printer");
    EXPECT_EQ(collection->Item(ComVariant(L"one"), &value), E_INVALIDARG);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_EQ(collection->Item(ComVariant(4L), &value), E_INVALIDARG);
    EXPECT_EQ(collection->Item(ComVariant(0L), nullptr), E_POINTER);

    BSTR sentinel = reinterpret_cast<BSTR>(0x1);
    EXPECT_EQ(collection->GetItem(-1, &sentinel), E_INVALIDARG);
    EXPECT_EQ(sentinel, nullptr);
    EXPECT_EQ(collection->get_Count(nullptr), E_POINTER);
}

TEST(StringCollection, EnumeratorWalksASnapshot) {
    ComPtr<IQLX_BSTR_Collection> collection = NewCollection();
    for (const wchar_t* name : {L"a", L"b", L"c"})
        ASSERT_EQ(collection->Add(ComBstr(name)), S_OK);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(collection->get__NewEnum(&unknown), S_OK);
    ComPtr<IEnumVARIANT> items;
    ASSERT_EQ(unknown.As(&items), S_OK);
    ASSERT_EQ(collection->RemoveAll(), S_OK);

    VARIANT got[2];
    ULONG fetched = 99;
    EXPECT_EQ(items->Next(2, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    EXPECT_STREQ(got[0].bstrVal, L"a");
    EXPECT_STREQ(got[1].bstrVal, L"b");
    VariantClear(&got[0]);
    VariantClear(&got[1]);
    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(items->Clone(&clone), S_OK);
    EXPECT_EQ(items->Next(2, got, &fetched), S_FALSE) << "only one is left";
    EXPECT_EQ(fetched, 1u);
    EXPECT_STREQ(got[0].bstrVal, L"c");
    VariantClear(&got[0]);
    EXPECT_EQ(clone->Next(1, got, nullptr), S_OK) << "the clone goes on from where it was made";
    EXPECT_STREQ(got[0].bstrVal, L"c");
    VariantClear(&got[0]);
    EXPECT_EQ(items->Reset(), S_OK);
    EXPECT_EQ(items->Skip(4), S_FALSE);
    EXPECT_EQ(items->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
}

// The core adds, reads and empties its collections from many threads at once.
TEST(StringCollection, ManyThreadsAtOnce) {
    ComPtr<IQLX_BSTR_Collection> collection = NewCollection();
    constexpr int kWriters = 4, kPerWriter = 500;
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < kPerWriter; ++i) {
                std::wstring text = std::to_wstring(w) + L":" + std::to_wstring(i);
                EXPECT_EQ(collection->Add(ComBstr(text.c_str())), S_OK);
            }
        });
    }
    threads.emplace_back([&] {
        // A reader meets the list at every size; what it reads must be a whole entry or an
        // index error, never a torn string.
        for (int i = 0; i < 2000; ++i) {
            LONG count = 0;
            collection->get_Count(&count);
            ComBstr item;
            HRESULT hr = collection->GetItem(count - 1, &item);
            if (count > 0 && hr == S_OK) {
                EXPECT_NE(wcschr(item.c_str(), L':'), nullptr);
            }
        }
    });
    for (std::thread& thread : threads)
        thread.join();
    std::vector<std::wstring> items = Contents(collection);
    ASSERT_EQ(items.size(), static_cast<size_t>(kWriters * kPerWriter));
    // Each writer's strings stay in the order it added them.
    for (int w = 0; w < kWriters; ++w) {
        int next = 0;
        const std::wstring prefix = std::to_wstring(w) + L":";
        for (const std::wstring& item : items) {
            if (item.compare(0, prefix.size(), prefix) == 0) {
                EXPECT_EQ(item, prefix + std::to_wstring(next++));
            }
        }
        EXPECT_EQ(next, kPerWriter);
    }
}

// Late-bound callers (scripts, the user interface) reach the same methods by name through
// the type library carried inside the class's module (not registered in the test prefix).
TEST(StringCollection, IDispatchByNameThroughTheTypeLibrary) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
        ComPtr<IQLX_BSTR_Collection> collection = NewCollection();
        ComPtr<IDispatch> dispatch;
        ASSERT_EQ(collection.As(&dispatch), S_OK);
        struct Name {
            const wchar_t* name;
            DISPID expected;
        };
        for (const Name& n : {Name{L"Item", 0}, Name{L"Count", 1}, Name{L"_NewEnum", -4},
                              Name{L"Add", 2}, Name{L"Contains", 8}}) {
            LPOLESTR names[] = {const_cast<LPOLESTR>(n.name)};
            DISPID id = 12345;
            EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK)
                << "(no library loaded: this test program carries none)";
            EXPECT_EQ(id, n.expected);
        }
        ComVariant text(L"via dispatch");
        DISPPARAMS add = {&text, nullptr, 1, 0};
        EXPECT_EQ(
            dispatch->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &add, nullptr, nullptr, nullptr),
            S_OK);
        ComVariant count;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        EXPECT_EQ(
            dispatch->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &count, nullptr, nullptr),
            S_OK);
        EXPECT_EQ(count.vt, VT_I4);
        EXPECT_EQ(count.lVal, 1);
    }
    CoUninitialize();
}

} // namespace
