#pragma once

// Makes the nothrow forms of operator new fail, from the given allocation on (0 = the next
// one), while the holder lives. The throwing forms are left alone.
class FailingAlloc {
public:
    explicit FailingAlloc(int after = 0);
    ~FailingAlloc();
    FailingAlloc(const FailingAlloc&) = delete;
    FailingAlloc& operator=(const FailingAlloc&) = delete;
};
