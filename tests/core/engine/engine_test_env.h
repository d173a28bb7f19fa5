#pragma once
#include <windows.h>

#include <string>

#include "class_factory.h"
#include "com_ptr.h"

// The string collection class served from its library in this process's class table, so that
// an engine in this process creates its collections without touching the registry.
class CollectionClass {
public:
    CollectionClass() = default;
    ~CollectionClass();
    CollectionClass(const CollectionClass&) = delete;
    CollectionClass& operator=(const CollectionClass&) = delete;

    HRESULT Register(const wchar_t* libraryPath);

private:
    HMODULE library_ = nullptr;
    ComPtr<IClassFactory> factory_;
    ClassObjectRegistration registration_;
};

// The common log of this process written to a file of the test's own, at information level.
// The product key must already point where the test wants it.
class TestLog {
public:
    explicit TestLog(const std::wstring& path);
    ~TestLog();
    TestLog(const TestLog&) = delete;
    TestLog& operator=(const TestLog&) = delete;

    // The log's text so far (other processes writing it included).
    std::string Text() const;

private:
    std::wstring path_;
};
