// The core server program.
#include <windows.h>

#include "class_factory.h"
#include "core_ids.h"
#include "core_module.h"
#include "cqlx.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    static SingletonFactory<CQLX> engine;
    static CCoreModule module(kCoreEngineClsid, engine);
    return module.WinMain(instance, commandLine);
}
