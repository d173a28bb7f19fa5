#pragma once
#include "critical_section.h"

// The one lock of a configuration store, shared by all its sections. Recursive, so that a
// printer change can hold it across clearing and refilling while the sections take it too.
using CfgLock = CriticalSection;
using CfgLockGuard = CriticalSectionLock;
