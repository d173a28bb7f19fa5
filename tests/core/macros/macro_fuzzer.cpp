// Expands arbitrary templates with arbitrary values twice: once with the values, once with a
// distinct placeholder for each value asked for. Besides not crashing, the first output must
// be the second with every placeholder replaced by its value as the expander puts it in:
// values are inserted whole and never expanded, and no macro forms in or across them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "file_name_safety.h"
#include "macro_expander.h"

namespace {

constexpr char16_t kFirstPlaceholder = 0xE000; // private use: never in a decoded text
constexpr char16_t kLastPlaceholder = 0xF8FF;

bool IsPlaceholder(char16_t c) {
    return c >= kFirstPlaceholder && c <= kLastPlaceholder;
}

// Pieces that make macros likely: bytes 0x80 to 0xBF pick one.
const char16_t* const kTokens[] = {
    u"{{",
    u"}}",
    u"(",
    u")",
    u"{{PAGE",
    u"{{DATE",
    u"{{TIME",
    u"{{JOB",
    u"{{IDENTITY",
    u"{{SYSFOLDER(",
    u"{{DOCNAME}}",
    u"{{EXT}}",
    u"{{USER}}",
    u"{{MACHINE}}",
    u"{{TERMINAL}}",
    u"WINDOWS",
    u"FONTS",
    u"PAGE",
    u"3",
    u"dd/MM/yyyy",
    u"..",
    u"\\",
    u"CON",
    u"{{PAGE}}",
    u"{{DATE}}",
    u"{{TIME(HH:mm)}}",
    u"{{PAGE(3)}}",
    u"{{IDENTITY}}",
    u"{{JOB(2)}}",
    u".",
    u"{{SYSFOLDER(WINDOWS)}}",
    u"1111111111111111111111111111111111111111111111111111111111111111",
};
constexpr size_t kTokenCount = sizeof(kTokens) / sizeof(kTokens[0]);

// Bytes below 0x80 are characters; 0x80 to 0xBF tokens; 0xC0 to 0xFE a character from the next
// two bytes (any code unit, lone surrogates too).
std::u16string Decode(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (b < 0x80) {
            text.push_back(b);
        } else if (b < 0xC0) {
            text += kTokens[(b - 0x80) % kTokenCount];
        } else if (i + 2 < size) {
            const char16_t c = static_cast<char16_t>(data[i + 1] | data[i + 2] << 8);
            i += 2;
            if (!IsPlaceholder(c))
                text.push_back(c);
        }
    }
    return text;
}

struct Input {
    bool file_name_times = false;
    bool has_job = false;
    int32_t page = 0;
    int32_t identity = 0;
    int32_t job = 0;
    std::u16string text;
    std::vector<std::u16string> values;
};

int32_t ReadInt(const uint8_t* data) {
    uint32_t value;
    memcpy(&value, data, sizeof value);
    return static_cast<int32_t>(value);
}

Input Parse(const uint8_t* data, size_t size) {
    Input input;
    constexpr size_t kHeader = 13;
    if (size < kHeader)
        return input;
    input.file_name_times = data[0] & 1;
    input.has_job = data[0] & 2;
    input.page = ReadInt(data + 1);
    input.identity = ReadInt(data + 5);
    input.job = ReadInt(data + 9);
    // The template, then the values, each ended by 0xFF.
    size_t begin = kHeader;
    bool first = true;
    for (;;) {
        const void* found = memchr(data + begin, 0xFF, size - begin);
        const size_t stop = found ? static_cast<const uint8_t*>(found) - data : size;
        std::u16string decoded = Decode(data + begin, stop - begin);
        if (first)
            input.text = std::move(decoded);
        else
            input.values.push_back(std::move(decoded));
        first = false;
        if (stop == size)
            return input;
        begin = stop + 1;
    }
}

enum class Kind { name, safe_name, folder, clock };

struct Asked {
    Kind kind;
    std::u16string value; // as the resolver gave it
};

// Gives the input's values in turn, or a distinct placeholder for each call; records what it
// was asked for.
class FuzzResolver final : public MacroResolver {
public:
    FuzzResolver(const Input& input, bool placeholders)
        : input_(input), placeholders_(placeholders), identity_(input.identity) {}

    std::vector<Asked> asked;
    std::vector<std::string> log;
    bool too_many = false;

    std::u16string TerminalClientName() override { return Give(Kind::safe_name, "terminal"); }
    std::u16string DocumentName() override { return Give(Kind::safe_name, "document"); }
    std::u16string Extension() override { return Give(Kind::name, "extension"); }
    std::u16string UserName() override { return Give(Kind::name, "user"); }
    std::u16string MachineName() override { return Give(Kind::name, "machine"); }
    std::u16string ShellFolderPath(int csidl) override {
        return Give(Kind::folder, "folder " + std::to_string(csidl));
    }
    int32_t NextIdentity() override {
        log.push_back("identity");
        // The counter wraps as the engine's 32-bit counter does.
        const int32_t value = identity_;
        identity_ = static_cast<int32_t>(static_cast<uint32_t>(identity_) + 1);
        return value;
    }
    std::optional<int32_t> JobId() override {
        log.push_back("job");
        return input_.has_job ? std::optional<int32_t>(input_.job) : std::nullopt;
    }
    std::u16string Date(std::optional<std::u16string_view> picture) override {
        return Give(Kind::clock, "date " + Describe(picture));
    }
    std::u16string Time(std::optional<std::u16string_view> picture) override {
        return Give(Kind::clock, "time " + Describe(picture));
    }

private:
    static std::string Describe(std::optional<std::u16string_view> picture) {
        if (!picture)
            return "default";
        std::string text = "(";
        for (char16_t c : *picture)
            text += std::to_string(c) + ",";
        return text;
    }

    std::u16string Give(Kind kind, std::string what) {
        log.push_back(std::move(what));
        const size_t k = asked.size();
        std::u16string value;
        if (placeholders_) {
            if (k > static_cast<size_t>(kLastPlaceholder - kFirstPlaceholder))
                too_many = true;
            else
                value.push_back(static_cast<char16_t>(kFirstPlaceholder + k));
        } else if (!input_.values.empty()) {
            value = input_.values[k % input_.values.size()];
        }
        asked.push_back({kind, value});
        return value;
    }

    const Input& input_;
    const bool placeholders_;
    int32_t identity_;
};

std::u16string AsInserted(const Asked& asked, bool file_name_times) {
    std::u16string value = asked.value;
    if (asked.kind == Kind::safe_name)
        value = SafeFileNameComponent(value);
    if (asked.kind == Kind::clock && file_name_times)
        SanitizeFileName(value);
    return value;
}

void CheckSafeName(const std::u16string& name) {
    if (name.size() > kMaxFileNameComponent || name.find(u"..") != std::u16string::npos)
        abort();
    for (char16_t c : name) {
        if (c < 0x20 || std::u16string_view(u"\"*/:<>?\\|").find(c) != std::u16string_view::npos)
            abort();
    }
    if (!name.empty() && (name.back() == u'.' || name.back() == u' '))
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Input input = Parse(data, size);

    FuzzResolver with_values(input, false);
    const ExpandedText expanded =
        ExpandMacros(input.text, input.page, input.file_name_times, with_values);
    FuzzResolver with_placeholders(input, true);
    const ExpandedText shape =
        ExpandMacros(input.text, input.page, input.file_name_times, with_placeholders);
    if (with_placeholders.too_many)
        return 0;

    // The values never changed what was asked for, nor how many page macros there were.
    if (with_values.log != with_placeholders.log || expanded.page_macros != shape.page_macros)
        abort();

    std::u16string expected;
    for (char16_t c : shape.text) {
        if (IsPlaceholder(c))
            expected += AsInserted(with_values.asked[c - kFirstPlaceholder], input.file_name_times);
        else
            expected.push_back(c);
    }
    if (expected != expanded.text)
        abort();

    for (const Asked& asked : with_values.asked) {
        if (asked.kind == Kind::safe_name)
            CheckSafeName(SafeFileNameComponent(asked.value));
    }
    return 0;
}
