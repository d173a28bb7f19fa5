#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <new>

#include "com_bstr.h"
#include "com_object.h"
#include "com_ptr.h"
#include "string_collection.h"

// While g_failAllocations is set, every allocation of this program fails as if memory had run
// out. Only the calls under test run with it set.
static volatile bool g_failAllocations = false;

void* operator new(std::size_t size) {
    if (g_failAllocations)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// Out of memory inside a COM method comes back as E_OUTOFMEMORY, never as an exception, and
// leaves the collection as it was.
TEST(StringCollectionOutOfMemory, FailsWithEOutOfMemoryAndChangesNothing) {
    ComPtr<IQLX_BSTR_Collection> collection;
    ASSERT_EQ(
        ComObject<CStringCollection>::Create(IID_IQLX_BSTR_Collection, collection.AsVoidOut()),
        S_OK);
    ASSERT_EQ(collection->Add(ComBstr(L"kept across the failed calls")), S_OK);
    const ComBstr longText(std::wstring(4096, L'x').c_str());

    struct Row {
        const char* name;
        HRESULT (*call)(IQLX_BSTR_Collection*, BSTR);
    };
    const Row rows[] = {
        {"Add", [](IQLX_BSTR_Collection* c, BSTR t) { return c->Add(t); }},
        {"Insert", [](IQLX_BSTR_Collection* c, BSTR t) { return c->Insert(0, t); }},
        {"Replace", [](IQLX_BSTR_Collection* c, BSTR t) { return c->Replace(0, t); }},
        {"GetItem",
         [](IQLX_BSTR_Collection* c, BSTR) {
             BSTR out = nullptr;
             HRESULT hr = c->GetItem(0, &out);
             SysFreeString(out);
             return hr;
         }},
        {"_NewEnum",
         [](IQLX_BSTR_Collection* c, BSTR) {
             IUnknown* out = nullptr;
             HRESULT hr = c->get__NewEnum(&out);
             if (out)
                 out->Release();
             return hr;
         }},
    };
    for (const Row& row : rows) {
        g_failAllocations = true;
        HRESULT hr = row.call(collection, longText);
        g_failAllocations = false;
        EXPECT_EQ(hr, E_OUTOFMEMORY) << row.name;
        LONG count = 0;
        collection->get_Count(&count);
        EXPECT_EQ(count, 1) << row.name;
        ComBstr item;
        EXPECT_EQ(collection->GetItem(0, &item), S_OK) << row.name;
        EXPECT_STREQ(item.c_str(), L"kept across the failed calls") << row.name;
    }
}

} // namespace
