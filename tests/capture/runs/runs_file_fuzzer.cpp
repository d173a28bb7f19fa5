// Arbitrary bytes as a runs file: no crash, and what is read keeps its boxes in order.
#include <cstdlib>

#include "runs_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HandJob job;
    RunsFileError error;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!ParseRunsFile(bytes, &job, &error)) {
        if (error.line == 0 || error.message.empty())
            std::abort();
        return 0;
    }
    for (const HandPage& page : job.pages) {
        if (page.width < 1 || page.height < 1)
            std::abort();
        for (const HandRun& run : page.runs) {
            if (run.x1 < run.x0 || run.y1 < run.y0)
                std::abort();
        }
    }
    return 0;
}
