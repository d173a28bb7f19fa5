#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "srw_lock.h"

// The strings of a collection, in the order they were added and inserted, behind one lock so
// that many threads may use one list at once. Every operation returns an HRESULT:
// E_INVALIDARG for an index outside the list, E_OUTOFMEMORY when a copy cannot be made
// (never an exception).
class StringList {
public:
    StringList() = default;
    StringList(const StringList&) = delete;
    StringList& operator=(const StringList&) = delete;

    LONG Count() noexcept;
    // A copy of the string at index.
    HRESULT Get(LONG index, std::wstring* out) noexcept;
    HRESULT Add(const wchar_t* text, size_t length) noexcept;
    // index may be Count(): the string then goes to the end.
    HRESULT Insert(LONG index, const wchar_t* text, size_t length) noexcept;
    HRESULT Replace(LONG index, const wchar_t* text, size_t length) noexcept;
    HRESULT Remove(LONG index) noexcept;
    void RemoveAll() noexcept;
    // The index of the first string equal to text (every code unit, case-sensitive); -1 when
    // none is.
    LONG Find(const wchar_t* text, size_t length) noexcept;
    // A copy of every string, for an enumerator that must not see later changes.
    HRESULT Snapshot(std::vector<std::wstring>* out) noexcept;

private:
    bool Valid(LONG index) const {
        return index >= 0 && static_cast<size_t>(index) < items_.size();
    }

    SrwLock lock_;
    std::vector<std::wstring> items_;
};
