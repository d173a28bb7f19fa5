#pragma once

// A growable array of pointers; the pointed-to objects are not owned. Starts at 16 and doubles.
class PtrArray {
public:
    static constexpr unsigned kInitialCapacity = 16;

    PtrArray();
    ~PtrArray();
    PtrArray(const PtrArray&) = delete;
    PtrArray& operator=(const PtrArray&) = delete;

    // Stores the pointer at index, moving later items up (at the end when index >= count).
    bool Insert(void* item, unsigned index);
    bool Append(void* item);
    bool Grow(unsigned n);
    // Removes the item at index, moving later items down; returns it (null when out of range).
    void* RemoveAt(unsigned index);
    void Clear() { count_ = 0; }

    unsigned Count() const { return count_; }
    unsigned Capacity() const { return capacity_; }
    void* At(unsigned index) const { return index < count_ ? items_[index] : nullptr; }
    template <class T> T* As(unsigned index) const { return static_cast<T*>(At(index)); }

private:
    void** items_ = nullptr;
    unsigned capacity_ = 0;
    unsigned count_ = 0;
};
