// qlxstub.exe: the relay of one print job, started by the driver UI module with the job id
// as its command line.
#include <windows.h>

#include "stub_main.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    return StubMain(instance, commandLine);
}
