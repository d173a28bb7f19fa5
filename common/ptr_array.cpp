#include "ptr_array.h"

#include <stdlib.h>
#include <string.h>

PtrArray::PtrArray() {
    Grow(kInitialCapacity);
}

PtrArray::~PtrArray() {
    free(items_);
}

bool PtrArray::Grow(unsigned n) {
    void** fresh = static_cast<void**>(realloc(items_, sizeof(void*) * (capacity_ + n)));
    if (!fresh)
        return false;
    items_ = fresh;
    capacity_ += n;
    return true;
}

bool PtrArray::Insert(void* item, unsigned index) {
    if (count_ == capacity_ && !Grow(capacity_ ? capacity_ : kInitialCapacity))
        return false;
    if (index > count_)
        index = count_;
    memmove(items_ + index + 1, items_ + index, sizeof(void*) * (count_ - index));
    items_[index] = item;
    ++count_;
    return true;
}

bool PtrArray::Append(void* item) {
    return Insert(item, count_);
}

void* PtrArray::RemoveAt(unsigned index) {
    if (index >= count_)
        return nullptr;
    void* item = items_[index];
    memmove(items_ + index, items_ + index + 1, sizeof(void*) * (count_ - index - 1));
    --count_;
    return item;
}
