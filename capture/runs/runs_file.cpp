#include "runs_file.h"

#include <charconv>
#include <limits>

namespace {

constexpr int32_t kMaxDpi = 100000;
// Letter, 8.5 by 11 inches.
constexpr int64_t kLetterWidthTenths = 85, kLetterHeightTenths = 110;

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The next space-separated word of s, taken off its front.
std::string_view TakeWord(std::string_view* s) {
    *s = TrimSpaces(*s);
    size_t end = 0;
    while (end < s->size() && (*s)[end] != ' ' && (*s)[end] != '\t')
        ++end;
    std::string_view word = s->substr(0, end);
    s->remove_prefix(end);
    return word;
}

bool ReadNumber(std::string_view word, int64_t* value) {
    if (word.empty())
        return false;
    const char* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, *value);
    return result.ec == std::errc() && result.ptr == end;
}

bool ReadInt32(std::string_view word, int32_t* value) {
    int64_t wide = 0;
    if (!ReadNumber(word, &wide) || wide < std::numeric_limits<int32_t>::min() ||
        wide > std::numeric_limits<int32_t>::max())
        return false;
    *value = static_cast<int32_t>(wide);
    return true;
}

class Reader {
public:
    Reader(HandJob* job, RunsFileError* error) : job_(job), error_(error) {}

    bool Line(size_t number, std::string_view line) {
        line_ = number;
        std::string_view rest = TrimSpaces(line);
        if (rest.empty() || rest.front() == '#')
            return true;
        std::string_view probe = rest;
        const std::string_view keyword = TakeWord(&probe);
        if (keyword == "document")
            return Document(TrimSpaces(probe));
        if (keyword == "dpi")
            return Dpi(probe);
        if (keyword == "page")
            return Page(probe);
        return Run(rest);
    }

private:
    bool Fail(std::string message) {
        error_->line = line_;
        error_->message = std::move(message);
        return false;
    }

    bool BeforeFirstPage(const char* what) {
        return job_->pages.empty() ||
               Fail(std::string("\"") + what + "\" must come before the first page");
    }

    bool Document(std::string_view name) {
        if (!BeforeFirstPage("document"))
            return false;
        job_->document = DecodeUtf8(name);
        return true;
    }

    bool Dpi(std::string_view rest) {
        if (!BeforeFirstPage("dpi"))
            return false;
        int32_t dpi = 0;
        if (!ReadInt32(TakeWord(&rest), &dpi) || dpi < 1 || dpi > kMaxDpi ||
            !TrimSpaces(rest).empty())
            return Fail("expected \"dpi N\" with N from 1 to " + std::to_string(kMaxDpi));
        job_->dpi = dpi;
        return true;
    }

    bool Page(std::string_view rest) {
        HandPage page;
        page.width = static_cast<int32_t>(job_->dpi * kLetterWidthTenths / 10);
        page.height = static_cast<int32_t>(job_->dpi * kLetterHeightTenths / 10);
        if (!TrimSpaces(rest).empty()) {
            if (!ReadInt32(TakeWord(&rest), &page.width) ||
                !ReadInt32(TakeWord(&rest), &page.height) || page.width < 1 || page.height < 1 ||
                !TrimSpaces(rest).empty())
                return Fail("expected \"page\" or \"page WIDTH HEIGHT\" with sizes above 0");
        }
        job_->pages.push_back(std::move(page));
        return true;
    }

    bool Run(std::string_view rest) {
        int32_t box[4] = {};
        for (int32_t& value : box) {
            if (!ReadInt32(TakeWord(&rest), &value))
                return Fail("expected a run: X Y WIDTH HEIGHT FONT|TEXT, numbers in 32 bits");
        }
        const int64_t x1 = int64_t{box[0]} + box[2], y1 = int64_t{box[1]} + box[3];
        if (box[2] < 0 || box[3] < 0 || x1 > std::numeric_limits<int32_t>::max() ||
            y1 > std::numeric_limits<int32_t>::max())
            return Fail("a run's width and height must not be negative, nor its box end past "
                        "the 32-bit range");
        rest = TrimSpaces(rest);
        const size_t bar = rest.find('|');
        if (bar == std::string_view::npos)
            return Fail("expected \"FONT|TEXT\" after the run's box");
        if (job_->pages.empty() && !Page(std::string_view()))
            return false;
        HandRun run;
        run.x0 = box[0];
        run.y0 = box[1];
        run.x1 = static_cast<int32_t>(x1);
        run.y1 = static_cast<int32_t>(y1);
        run.font = DecodeUtf8(TrimSpaces(rest.substr(0, bar)));
        // The text keeps its leading spaces; those that end the line are taken for its end.
        run.text = DecodeUtf8(rest.substr(bar + 1));
        job_->pages.back().runs.push_back(std::move(run));
        return true;
    }

    HandJob* job_;
    RunsFileError* error_;
    size_t line_ = 0;
};

// The length of a valid UTF-8 sequence at the front of s and its code point; 0 when invalid.
size_t DecodeOne(std::string_view s, char32_t* code) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    size_t length;
    char32_t value, minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

} // namespace

std::u16string DecodeUtf8(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t code = 0;
        size_t length = DecodeOne(bytes, &code);
        if (length == 0) {
            code = 0xFFFD;
            length = 1;
        }
        bytes.remove_prefix(length);
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
    }
    return text;
}

bool ParseRunsFile(std::string_view bytes, HandJob* job, RunsFileError* error) {
    *job = HandJob();
    *error = RunsFileError();
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    Reader reader(job, error);
    size_t number = 0;
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        const std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!reader.Line(++number, line))
            return false;
    }
    return true;
}
