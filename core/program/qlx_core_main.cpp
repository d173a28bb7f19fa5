// The core server program.
#include <windows.h>

#include "class_factory.h"
#include "core_ids.h"
#include "core_module.h"

#ifdef QLX_CORE_SERVES_ENGINE
#include "cqlx.h"
using CoreEngine = CQLX;
#else
// A tree without the engine object builds the program over the module tests' fake engine.
#include "fake_engine.h"
using CoreEngine = CFakeEngine;
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    static SingletonFactory<CoreEngine> engine;
    static CCoreModule module(kCoreEngineClsid, engine);
    return module.WinMain(instance, commandLine);
}
