#include "document_log.h"

#include "critical_section.h"
#include "log.h"

namespace {

CriticalSection& HoldLock() {
    static CriticalSection lock;
    return lock;
}

unsigned g_holds = 0;

} // namespace

DocumentLogHold::DocumentLogHold() {
    CriticalSectionLock guard(HoldLock());
    if (g_holds++ == 0)
        LoadLogConfig();
}

DocumentLogHold::~DocumentLogHold() {
    CriticalSectionLock guard(HoldLock());
    if (--g_holds == 0)
        UnloadLogConfig();
}
