#include "string_list.h"

#include "com_result.h"

#include <new>

LONG StringList::Count() noexcept {
    SrwGuard guard(lock_);
    return static_cast<LONG>(items_.size());
}

HRESULT StringList::Get(LONG index, std::wstring* out) noexcept {
    return GuardedCall([&] {
        SrwGuard guard(lock_);
        if (!Valid(index))
            return E_INVALIDARG;
        *out = items_[index];
        return S_OK;
    });
}

HRESULT StringList::Add(const wchar_t* text, size_t length) noexcept {
    return GuardedCall([&] {
        // Made before the lock is taken, so that a failed copy leaves the list as it was.
        std::wstring item(text ? text : L"", text ? length : 0);
        SrwGuard guard(lock_);
        items_.push_back(std::move(item));
        return S_OK;
    });
}

HRESULT StringList::Insert(LONG index, const wchar_t* text, size_t length) noexcept {
    return GuardedCall([&] {
        std::wstring item(text ? text : L"", text ? length : 0);
        SrwGuard guard(lock_);
        if (index < 0 || static_cast<size_t>(index) > items_.size())
            return E_INVALIDARG;
        items_.insert(items_.begin() + index, std::move(item));
        return S_OK;
    });
}

HRESULT StringList::Replace(LONG index, const wchar_t* text, size_t length) noexcept {
    return GuardedCall([&] {
        std::wstring item(text ? text : L"", text ? length : 0);
        SrwGuard guard(lock_);
        if (!Valid(index))
            return E_INVALIDARG;
        items_[index].swap(item);
        return S_OK;
    });
}

HRESULT StringList::Remove(LONG index) noexcept {
    SrwGuard guard(lock_);
    if (!Valid(index))
        return E_INVALIDARG;
    items_.erase(items_.begin() + index);
    return S_OK;
}

void StringList::RemoveAll() noexcept {
    std::vector<std::wstring> gone;
    SrwGuard guard(lock_);
    items_.swap(gone);
}

LONG StringList::Find(const wchar_t* text, size_t length) noexcept {
    if (!text)
        length = 0;
    SrwGuard guard(lock_);
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].compare(0, std::wstring::npos, text ? text : L"", length) == 0)
            return static_cast<LONG>(i);
    }
    return -1;
}

HRESULT StringList::Snapshot(std::vector<std::wstring>* out) noexcept {
    return GuardedCall([&] {
        SrwGuard guard(lock_);
        *out = items_;
        return S_OK;
    });
}
