#pragma once
#include <windows.h>
#include <oleauto.h>

// Growable wide string. The buffer is always terminated; it holds capacity + 1 characters.
// A string built from a text gets the next multiple of 32 strictly above its length; appending
// at least doubles. Allocation failures leave the string as it was and return false.
class WStringBase {
public:
    static constexpr unsigned kStep = 32;

    WStringBase();
    explicit WStringBase(const wchar_t* text);
    WStringBase(const WStringBase& other);
    WStringBase(WStringBase&& other) noexcept;
    WStringBase& operator=(const WStringBase& other);
    WStringBase& operator=(WStringBase&& other) noexcept;
    ~WStringBase();

    const wchar_t* c_str() const { return buffer_ ? buffer_ : L""; }
    unsigned Length() const { return length_; }
    unsigned Capacity() const { return capacity_; }
    bool Empty() const { return length_ == 0; }

    bool PushBack(wchar_t c);
    // count 0 means the whole text; a null text does nothing. Stops at a terminator.
    bool Append(const wchar_t* text, unsigned count = 0);
    // count 0 means the whole text; a null text empties the string.
    bool Assign(const wchar_t* text, unsigned count = 0);
    void Clear();
    // Shortens the string; a length at or above the current one does nothing.
    void Truncate(unsigned length);
    // Replaces up to maxCount occurrences left to right; inserted text is never searched again.
    unsigned Replace(const wchar_t* find, const wchar_t* replacement, unsigned maxCount);
    // A string resource of up to 511 characters; a missing resource empties the string.
    void LoadFromResource(UINT id, HINSTANCE module);

    bool Equals(const wchar_t* text) const;
    int Compare(const wchar_t* text) const;

    static unsigned CapacityFor(unsigned length) { return length - length % kStep + kStep; }

protected:
    bool Reserve(unsigned capacity);

    wchar_t* buffer_ = nullptr;
    unsigned capacity_ = 0;
    unsigned length_ = 0;
};

// WStringBase with cached BSTR and ANSI copies, both owned by the string.
class WString : public WStringBase {
public:
    WString() = default;
    explicit WString(const wchar_t* text) : WStringBase(text) {}
    // The caches are not copied.
    WString(const WString& other) : WStringBase(other) {}
    WString(WString&& other) noexcept;
    WString& operator=(const WString& other);
    WString& operator=(WString&& other) noexcept;
    ~WString();

    // Owned by the string; renewed when the text changed since the last call. Null only when
    // out of memory.
    BSTR GetBSTR();
    // The text in the ANSI code page, owned by the string until the next call.
    const char* ToAnsi();
    // A null text or an empty one empties the string; a text that can't be converted leaves it
    // unchanged and returns false.
    bool FromAnsi(const char* text);

private:
    void DropCaches();

    BSTR bstr_ = nullptr;
    char* ansi_ = nullptr;
};

bool WStringEquals(const wchar_t* a, const wchar_t* b);

// An array of strings; grows by doubling.
class WStringArray {
public:
    explicit WStringArray(unsigned capacity = 16);
    ~WStringArray() { Free(); }
    WStringArray(const WStringArray&) = delete;
    WStringArray& operator=(const WStringArray&) = delete;

    // Inserts a copy before the element at index (at the end when index >= count).
    bool InsertAt(const wchar_t* text, unsigned index);
    bool Append(const wchar_t* text) { return InsertAt(text, count_); }
    bool Grow(unsigned n);
    void Free();

    unsigned Count() const { return count_; }
    unsigned Capacity() const { return capacity_; }
    const WStringBase& operator[](unsigned i) const { return items_[i]; }
    WStringBase& operator[](unsigned i) { return items_[i]; }

private:
    WStringBase* items_ = nullptr;
    unsigned capacity_ = 0;
    unsigned count_ = 0;
};
