#include "pipe_source.h"

size_t PipeSource::Read(uint8_t* buffer, size_t room) {
    const DWORD ask = room > MAXDWORD ? MAXDWORD : static_cast<DWORD>(room);
    DWORD got = 0;
    if (!ReadFile(pipe_, buffer, ask, &got, nullptr)) {
        error_ = GetLastError();
        return 0;
    }
    if (got == 0)
        error_ = ERROR_HANDLE_EOF;
    return got;
}
