#include "mapi_calls.h"

#include <cstdlib>
#include <sstream>

#include "temp_dir.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string MapiCall::Text(const std::string& key) const {
    auto found = fields.find(key);
    if (found == fields.end())
        return "<missing>";
    if (found->second == "-")
        return "<null>";
    std::string bytes;
    const std::string& hex = found->second;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1]));
    return bytes;
}

long long MapiCall::Number(const std::string& key) const {
    auto found = fields.find(key);
    return found == fields.end() ? -999 : std::strtoll(found->second.c_str(), nullptr, 10);
}

std::vector<MapiCall> ReadMapiCalls(const std::wstring& recordPath) {
    std::vector<MapiCall> calls;
    std::string text;
    if (!ReadWholeFile(recordPath, &text))
        return calls;
    std::istringstream lines(text);
    std::string line;
    MapiCall call;
    while (std::getline(lines, line)) {
        if (line == "end") {
            calls.push_back(std::move(call));
            call = MapiCall();
            continue;
        }
        const size_t space = line.find(' ');
        call.fields[line.substr(0, space)] =
            space == std::string::npos ? std::string() : line.substr(space + 1);
    }
    return calls;
}
