// Whatever a file's path and a post-processor's parameters hold, the program reads the file
// back as its last argument, exactly, and the quoted path alone as its only argument.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "argv_reader.h"
#include "command_line.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    const size_t split = text[0] % text.size();
    const std::u16string parameters = text.substr(1, split);
    const std::u16string file = text.substr(1 + split);

    Check(ReadArguments(command_line::QuoteArgument(file)) == std::vector<std::u16string>{file});
    const auto line = command_line::WithFileArgument(parameters, file);
    if (!line)
        return 0;
    const std::vector<std::u16string> read = ReadArguments(*line);
    Check(!read.empty() && read.back() == file);
    // The parameters keep their own reading: the file adds exactly one argument to them.
    Check(read.size() == ReadArguments(parameters).size() + 1);
    return 0;
}
