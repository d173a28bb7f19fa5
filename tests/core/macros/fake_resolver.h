#pragma once
#include <map>
#include <string>

#include "macro_resolver.h"

// Fixed values, counted calls. A date or time picture is answered by putting the fixed date
// (2024-03-09) and time (13:45) into it: "dd", "MM", "yyyy", "HH", "mm".
class FakeResolver final : public MacroResolver {
public:
    std::u16string terminal = u"CLIENT7";
    std::u16string document = u"report";
    std::u16string extension = u"txt";
    std::u16string user = u"alice";
    std::u16string machine = u"HOST";
    std::map<int, std::u16string> folders = {{5, u"C:\\users\\alice\\Documents"},
                                             {36, u"C:\\windows"}};
    int32_t identity = 1;
    std::optional<int32_t> job = 42;
    std::u16string default_date = u"09.03.2024";
    std::u16string default_time = u"13:45:07";

    std::map<std::string, int> calls;

    std::u16string TerminalClientName() override { return Count("terminal", terminal); }
    std::u16string DocumentName() override { return Count("document", document); }
    std::u16string Extension() override { return Count("extension", extension); }
    std::u16string UserName() override { return Count("user", user); }
    std::u16string MachineName() override { return Count("machine", machine); }
    std::u16string ShellFolderPath(int csidl) override {
        auto found = folders.find(csidl);
        return Count("folder", found == folders.end() ? std::u16string() : found->second);
    }
    int32_t NextIdentity() override {
        ++calls["identity"];
        return identity++;
    }
    std::optional<int32_t> JobId() override {
        ++calls["job"];
        return job;
    }
    std::u16string Date(std::optional<std::u16string_view> picture) override {
        return Count("date", picture ? Fill(*picture) : default_date);
    }
    std::u16string Time(std::optional<std::u16string_view> picture) override {
        return Count("time", picture ? Fill(*picture) : default_time);
    }

private:
    std::u16string Count(const char* what, std::u16string value) {
        ++calls[what];
        return value;
    }
    static std::u16string Fill(std::u16string_view picture) {
        static const std::pair<std::u16string_view, std::u16string_view> kFields[] = {
            {u"yyyy", u"2024"}, {u"MM", u"03"}, {u"dd", u"09"}, {u"HH", u"13"}, {u"mm", u"45"}};
        std::u16string text(picture);
        for (const auto& [field, value] : kFields) {
            for (size_t at = text.find(field); at != std::u16string::npos;
                 at = text.find(field, at + value.size()))
                text.replace(at, field.size(), value);
        }
        return text;
    }
};
