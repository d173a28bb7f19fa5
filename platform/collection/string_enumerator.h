#pragma once
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "com_object.h"
#include "srw_lock.h"

// IEnumVARIANT over a copy of a collection's strings taken when it was made (_NewEnum), so a
// change to the collection while a client walks it neither skips nor repeats a string.
class CStringEnumerator : public IEnumVARIANT, public ObjectBase {
public:
    explicit CStringEnumerator(std::vector<std::wstring>&& items, size_t position = 0) noexcept
        : items_(std::move(items)), position_(position) {}
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<CStringEnumerator, IEnumVARIANT>(IID_IEnumVARIANT)};
        return table;
    }

    STDMETHODIMP Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumVARIANT** out) override;

private:
    SrwLock lock_;
    std::vector<std::wstring> items_;
    size_t position_;
};
