#pragma once
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "com_ptr.h"
#include "com_variant.h"

// In-process fake plug-ins for tests that discover plug-ins through the real category manager.
// A class is registered with CoRegisterClassObject and listed in its category through
// ICatRegister; its objects answer from the class's description and count what they are asked.

enum class FakeKind { kTransport, kFormat };

// One fake plug-in class: what its objects answer, and what they were asked. Shared by the
// registration and every object made, so it outlives both.
struct FakePluginClass {
    FakeKind kind = FakeKind::kTransport;
    std::wstring name;
    std::wstring layout;
    std::wstring extension;
    // The parameters an object knows, with its defaults (what ResetParams restores).
    std::map<std::wstring, ComVariant> defaults;
    HRESULT createResult = S_OK; // the class object's answer
    HRESULT nameResult = S_OK;
    HRESULT layoutResult = S_OK;
    HRESULT extensionResult = S_OK;

    std::atomic<long> created{0};
    std::atomic<long> alive{0};
    std::atomic<long> putCalls{0};
    std::atomic<long> getCalls{0};
    std::atomic<long> updateCalls{0};
    std::atomic<long> resetCalls{0};
    std::atomic<long> lastUpdateReason{-1};
};

// Registers one fake class (a fresh class id) in its category for as long as it lives; then
// revokes the class object and removes the class key the category manager wrote.
class FakePluginRegistration {
public:
    explicit FakePluginRegistration(std::shared_ptr<FakePluginClass> description);
    // A class listed in the category whose server library does not exist: it cannot be
    // created. No class object is registered for it.
    static std::unique_ptr<FakePluginRegistration> WithMissingServer(FakeKind kind);
    ~FakePluginRegistration();
    FakePluginRegistration(const FakePluginRegistration&) = delete;
    FakePluginRegistration& operator=(const FakePluginRegistration&) = delete;

    const CLSID& Clsid() const { return clsid_; }
    FakePluginClass& Class() { return *class_; }
    HRESULT Result() const { return result_; }

private:
    FakePluginRegistration(FakeKind kind, bool missingServer);
    void Register(bool classObject, bool missingServer);

    std::shared_ptr<FakePluginClass> class_;
    CLSID clsid_ = {};
    DWORD cookie_ = 0;
    HRESULT result_ = E_FAIL;
};

// A class key under HKEY_CLASSES_ROOT\CLSID whose name is no class id, listed as implementing
// the category, for as long as it lives: what a damaged registration leaves behind.
class MalformedCategoryEntry {
public:
    explicit MalformedCategoryEntry(FakeKind kind);
    ~MalformedCategoryEntry();
    MalformedCategoryEntry(const MalformedCategoryEntry&) = delete;
    MalformedCategoryEntry& operator=(const MalformedCategoryEntry&) = delete;

    LONG Result() const { return result_; }

private:
    std::wstring key_;
    LONG result_;
};

// A fake class description in one line.
std::shared_ptr<FakePluginClass> FakeTransportClass(const wchar_t* name, const wchar_t* layout,
                                                    std::map<std::wstring, ComVariant> defaults);
std::shared_ptr<FakePluginClass> FakeFormatClass(const wchar_t* name, const wchar_t* layout,
                                                 const wchar_t* extension,
                                                 std::map<std::wstring, ComVariant> defaults);

// The category id of a kind.
const GUID& CategoryOf(FakeKind kind);
