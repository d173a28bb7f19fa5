#include "core_wait_event.h"

#include "log.h"

UniqueHandle CreateCoreWaitEvent(const wchar_t* name) {
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) {
        LogErrorNum(L'C', L"CCoreModule::StartMonitor Security descriptor error",
                    static_cast<long>(GetLastError()));
        return UniqueHandle();
    }
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
    UniqueHandle event(CreateEventW(&attributes, TRUE, FALSE, name));
    if (!event) {
        LogErrorNum(L'C', L"CCoreModule::StartMonitor Cannot create the wait event",
                    static_cast<long>(GetLastError()));
        return event;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        LogWarn(L'C', L"CCoreModule::StartMonitor Wait event existed, reset");
        ResetEvent(event.Get());
    }
    return event;
}
