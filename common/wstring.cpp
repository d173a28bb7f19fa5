#include "wstring.h"

#include <new>
#include <stdlib.h>
#include <string.h>
#include <utility>
#include <wchar.h>

namespace {

wchar_t* AllocChars(unsigned capacity) {
    return static_cast<wchar_t*>(malloc((static_cast<size_t>(capacity) + 1) * sizeof(wchar_t)));
}

} // namespace

WStringBase::WStringBase() {
    Reserve(kStep);
}

WStringBase::WStringBase(const wchar_t* text) {
    unsigned length = text ? static_cast<unsigned>(wcslen(text)) : 0;
    if (Reserve(CapacityFor(length)) && length) {
        wmemcpy(buffer_, text, length);
        length_ = length;
        buffer_[length_] = L'\0';
    }
}

WStringBase::WStringBase(const WStringBase& other) {
    if (Reserve(CapacityFor(other.length_)) && other.length_) {
        wmemcpy(buffer_, other.buffer_, other.length_);
        length_ = other.length_;
        buffer_[length_] = L'\0';
    }
}

WStringBase::WStringBase(WStringBase&& other) noexcept
    : buffer_(other.buffer_), capacity_(other.capacity_), length_(other.length_) {
    other.buffer_ = nullptr;
    other.capacity_ = 0;
    other.length_ = 0;
}

WStringBase& WStringBase::operator=(const WStringBase& other) {
    if (this != &other)
        Assign(other.c_str(), other.length_);
    return *this;
}

WStringBase& WStringBase::operator=(WStringBase&& other) noexcept {
    if (this != &other) {
        free(buffer_);
        buffer_ = other.buffer_;
        capacity_ = other.capacity_;
        length_ = other.length_;
        other.buffer_ = nullptr;
        other.capacity_ = 0;
        other.length_ = 0;
    }
    return *this;
}

WStringBase::~WStringBase() {
    free(buffer_);
}

bool WStringBase::Reserve(unsigned capacity) {
    if (buffer_ && capacity <= capacity_)
        return true;
    wchar_t* grown = AllocChars(capacity);
    if (!grown)
        return false;
    if (buffer_)
        wmemcpy(grown, buffer_, length_);
    grown[length_] = L'\0';
    free(buffer_);
    buffer_ = grown;
    capacity_ = capacity;
    return true;
}

bool WStringBase::PushBack(wchar_t c) {
    if (length_ >= capacity_ && !Reserve(capacity_ ? capacity_ * 2 : kStep))
        return false;
    buffer_[length_++] = c;
    buffer_[length_] = L'\0';
    return true;
}

bool WStringBase::Append(const wchar_t* text, unsigned count) {
    if (!text)
        return true;
    unsigned add =
        count ? static_cast<unsigned>(wcsnlen(text, count)) : static_cast<unsigned>(wcslen(text));
    if (add == 0)
        return true;
    unsigned needed = length_ + add;
    // The text may lie inside our own buffer, which growing moves.
    const bool inside = buffer_ && text >= buffer_ && text <= buffer_ + capacity_;
    const size_t offset = inside ? static_cast<size_t>(text - buffer_) : 0;
    if (!buffer_ || needed > capacity_) {
        unsigned shortfall = needed - capacity_;
        unsigned grow = shortfall > capacity_ ? shortfall : capacity_;
        if (!Reserve(capacity_ + grow))
            return false;
        if (inside)
            text = buffer_ + offset;
    }
    wmemmove(buffer_ + length_, text, add);
    length_ = needed;
    buffer_[length_] = L'\0';
    return true;
}

bool WStringBase::Assign(const wchar_t* text, unsigned count) {
    if (!text) {
        Clear();
        return true;
    }
    unsigned length =
        count ? static_cast<unsigned>(wcsnlen(text, count)) : static_cast<unsigned>(wcslen(text));
    if (!buffer_ || length > capacity_) {
        wchar_t* fresh = AllocChars(CapacityFor(length));
        if (!fresh)
            return false;
        wmemcpy(fresh, text, length);
        free(buffer_);
        buffer_ = fresh;
        capacity_ = CapacityFor(length);
    } else {
        wmemmove(buffer_, text, length);
    }
    length_ = length;
    buffer_[length_] = L'\0';
    return true;
}

void WStringBase::Clear() {
    length_ = 0;
    if (buffer_)
        buffer_[0] = L'\0';
}

void WStringBase::Truncate(unsigned length) {
    if (length < length_) {
        length_ = length;
        buffer_[length_] = L'\0';
    }
}

unsigned WStringBase::Replace(const wchar_t* find, const wchar_t* replacement, unsigned maxCount) {
    if (!find || !*find || !buffer_ || maxCount == 0)
        return 0;
    if (!replacement)
        replacement = L"";
    const size_t findLength = wcslen(find);
    WStringBase result;
    unsigned replaced = 0;
    const wchar_t* scan = buffer_;
    const wchar_t* end = buffer_ + length_;
    while (replaced < maxCount) {
        const wchar_t* hit = wcsstr(scan, find);
        if (!hit)
            break;
        if (hit > scan && !result.Append(scan, static_cast<unsigned>(hit - scan)))
            return 0;
        if (!result.Append(replacement))
            return 0;
        scan = hit + findLength;
        ++replaced;
    }
    if (replaced == 0)
        return 0;
    if (scan < end && !result.Append(scan, static_cast<unsigned>(end - scan)))
        return 0;
    *this = std::move(result);
    return replaced;
}

void WStringBase::LoadFromResource(UINT id, HINSTANCE module) {
    wchar_t text[512];
    int length = LoadStringW(module, id, text, 512);
    if (length > 0)
        Assign(text, static_cast<unsigned>(length));
    else
        Clear();
}

bool WStringBase::Equals(const wchar_t* text) const {
    return WStringEquals(c_str(), text);
}

int WStringBase::Compare(const wchar_t* text) const {
    const wchar_t* a = c_str();
    const wchar_t* b = text ? text : L"";
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return static_cast<int>(static_cast<unsigned short>(*a)) -
           static_cast<int>(static_cast<unsigned short>(*b));
}

bool WStringEquals(const wchar_t* a, const wchar_t* b) {
    if (!a || !b)
        return a == b;
    return wcscmp(a, b) == 0;
}

WString::WString(WString&& other) noexcept
    : WStringBase(std::move(other)), bstr_(other.bstr_), ansi_(other.ansi_) {
    other.bstr_ = nullptr;
    other.ansi_ = nullptr;
}

WString& WString::operator=(const WString& other) {
    WStringBase::operator=(other);
    return *this;
}

WString& WString::operator=(WString&& other) noexcept {
    if (this != &other) {
        DropCaches();
        WStringBase::operator=(std::move(other));
        bstr_ = other.bstr_;
        ansi_ = other.ansi_;
        other.bstr_ = nullptr;
        other.ansi_ = nullptr;
    }
    return *this;
}

WString::~WString() {
    DropCaches();
}

void WString::DropCaches() {
    SysFreeString(bstr_);
    bstr_ = nullptr;
    free(ansi_);
    ansi_ = nullptr;
}

BSTR WString::GetBSTR() {
    if (bstr_ && (SysStringLen(bstr_) != length_ || wmemcmp(bstr_, c_str(), length_) != 0)) {
        SysFreeString(bstr_);
        bstr_ = nullptr;
    }
    if (!bstr_)
        bstr_ = SysAllocStringLen(c_str(), length_);
    return bstr_;
}

const char* WString::ToAnsi() {
    int bytes = length_ ? WideCharToMultiByte(CP_ACP, 0, c_str(), static_cast<int>(length_),
                                              nullptr, 0, nullptr, nullptr)
                        : 0;
    char* fresh = static_cast<char*>(malloc(static_cast<size_t>(bytes) + 1));
    if (!fresh)
        return ansi_ ? ansi_ : "";
    if (bytes > 0)
        WideCharToMultiByte(CP_ACP, 0, c_str(), static_cast<int>(length_), fresh, bytes, nullptr,
                            nullptr);
    fresh[bytes] = '\0';
    free(ansi_);
    ansi_ = fresh;
    return ansi_;
}

bool WString::FromAnsi(const char* text) {
    if (!text || !*text) {
        Clear();
        return true;
    }
    int chars = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (chars <= 1)
        return false;
    wchar_t* wide = static_cast<wchar_t*>(malloc(static_cast<size_t>(chars) * sizeof(wchar_t)));
    if (!wide)
        return false;
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, chars);
    bool ok = Assign(wide, static_cast<unsigned>(chars - 1));
    free(wide);
    return ok;
}

WStringArray::WStringArray(unsigned capacity) {
    if (capacity)
        Grow(capacity);
}

bool WStringArray::Grow(unsigned n) {
    unsigned capacity = capacity_ + n;
    auto* fresh = static_cast<WStringBase*>(malloc(sizeof(WStringBase) * capacity));
    if (!fresh)
        return false;
    for (unsigned i = 0; i < count_; ++i) {
        new (&fresh[i]) WStringBase(std::move(items_[i]));
        items_[i].~WStringBase();
    }
    free(items_);
    items_ = fresh;
    capacity_ = capacity;
    return true;
}

bool WStringArray::InsertAt(const wchar_t* text, unsigned index) {
    WStringBase copy(text);
    if (copy.Capacity() == 0)
        return false; // out of memory
    if (count_ == capacity_ && !Grow(capacity_ ? capacity_ : 16))
        return false;
    if (index > count_)
        index = count_;
    // Move the later elements up one slot, last first.
    for (unsigned i = count_; i > index; --i) {
        new (&items_[i]) WStringBase(std::move(items_[i - 1]));
        items_[i - 1].~WStringBase();
    }
    new (&items_[index]) WStringBase(std::move(copy));
    ++count_;
    return true;
}

void WStringArray::Free() {
    for (unsigned i = 0; i < count_; ++i)
        items_[i].~WStringBase();
    free(items_);
    items_ = nullptr;
    capacity_ = 0;
    count_ = 0;
}
