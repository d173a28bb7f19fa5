#pragma once
#include <windows.h>

#include "pipe_reader.h"

// The relay's end of the job's pipe as a byte stream. A read that fails or gives no bytes
// ends it; the system's error is kept for the log.
class PipeSource final : public ByteSource {
public:
    explicit PipeSource(HANDLE pipe) : pipe_(pipe) {}
    size_t Read(uint8_t* buffer, size_t room) override;
    DWORD LastError() const { return error_; }

private:
    HANDLE pipe_;
    DWORD error_ = ERROR_SUCCESS;
};
