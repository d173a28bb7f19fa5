// The core server program.
#include <windows.h>

#include "class_factory.h"
#include "core_ids.h"
#include "core_module.h"
#include "fake_engine.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    static SingletonFactory<CFakeEngine> engine;
    static CCoreModule module(kCoreEngineClsid, engine);
    return module.WinMain(instance, commandLine);
}
