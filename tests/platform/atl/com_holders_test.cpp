#include <gtest/gtest.h>

#include <objidl.h>

#include <utility>

#include "com_bstr.h"
#include "com_object.h"
#include "com_ptr.h"
#include "com_safearray.h"

namespace {

class Counted : public IPersist, public ObjectBase {
public:
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<Counted, IPersist>(IID_IPersist)};
        return table;
    }
    STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
};

ULONG RefCount(IUnknown* unknown) {
    unknown->AddRef();
    return unknown->Release();
}

TEST(ComPtr, MovingHandsTheReferenceOverWithoutReleasingIt) {
    ComObject<Counted>* raw = nullptr;
    ASSERT_EQ(ComObject<Counted>::CreateHeld(&raw), S_OK);
    ComPtr<IPersist> first;
    first.Attach(raw);
    EXPECT_EQ(RefCount(raw), 1u) << "after Attach";

    ComPtr<IPersist> second;
    second = std::move(first);
    EXPECT_EQ(first.Get(), nullptr);
    EXPECT_EQ(second.Get(), raw);
    EXPECT_EQ(RefCount(raw), 1u) << "after move assignment";

    ComPtr<IPersist> copy = second;
    EXPECT_EQ(RefCount(raw), 2u) << "after copy";
    copy = second;
    EXPECT_EQ(RefCount(raw), 2u) << "after assigning the same pointer";
    copy = std::move(copy);
    EXPECT_EQ(RefCount(raw), 2u) << "after moving into itself";

    IPersist* given = copy.Detach();
    EXPECT_EQ(RefCount(raw), 2u) << "Detach gives the reference away";
    given->Release();
    copy.Release();
    EXPECT_EQ(RefCount(raw), 1u);
}

TEST(ComBstr, MovingKeepsTheStringAndCopyingDuplicatesIt) {
    ComBstr first(L"page text");
    BSTR original = first.Get();
    ComBstr second;
    second = std::move(first);
    EXPECT_EQ(second.Get(), original) << "moved, not copied";
    EXPECT_EQ(first.Get(), nullptr);
    EXPECT_STREQ(second.c_str(), L"page text");

    ComBstr copy;
    copy = second;
    EXPECT_NE(copy.Get(), second.Get());
    EXPECT_STREQ(copy.c_str(), L"page text");
    copy = std::move(copy);
    EXPECT_STREQ(copy.c_str(), L"page text") << "moving into itself keeps the string";

    BSTR out = reinterpret_cast<BSTR>(0x1);
    EXPECT_EQ(ComBstr().CopyTo(&out), S_OK);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(second.CopyTo(nullptr), E_POINTER);
}

TEST(ComSafeArray, OwnsAOneDimensionalArray) {
    ComSafeArray bytes;
    ASSERT_TRUE(bytes.Create(VT_UI1, 4));
    EXPECT_EQ(bytes.Count(), 4u);
    {
        SafeArrayAccess access(bytes.Get());
        ASSERT_TRUE(access);
        memcpy(access.Data(), "\x61\x00\x0c\x00", 4);
    }
    ComSafeArray moved(std::move(bytes));
    EXPECT_EQ(bytes.Get(), nullptr);
    EXPECT_EQ(moved.Count(), 4u);
    SAFEARRAY* given = moved.Detach();
    EXPECT_EQ(moved.Count(), 0u);
    ComSafeArray again(given);
    ASSERT_TRUE(again.Create(VT_UI1, 0)) << "an empty array is an array";
    EXPECT_EQ(again.Count(), 0u);
    EXPECT_FALSE(SafeArrayAccess(nullptr));
}

} // namespace
