#include "macro_expander.h"

#include <map>
#include <utility>
#include <vector>

#include "file_name_safety.h"
#include "macro_scanner.h"
#include "number_format.h"
#include "shell_folders.h"

namespace {

constexpr MacroForm kTerminal{u"{{TERMINAL", true, false};
constexpr MacroForm kDocName{u"{{DOCNAME", true, false};
constexpr MacroForm kExt{u"{{EXT", true, false};
constexpr MacroForm kUser{u"{{USER", true, false};
constexpr MacroForm kMachine{u"{{MACHINE", true, false};
constexpr MacroForm kSysFolder{u"{{SYSFOLDER", false, true};
constexpr MacroForm kPage{u"{{PAGE", true, true};
constexpr MacroForm kIdentity{u"{{IDENTITY", true, true};
constexpr MacroForm kJob{u"{{JOB", true, true};
constexpr MacroForm kDate{u"{{DATE", true, true};
constexpr MacroForm kTime{u"{{TIME", true, true};

// The text under expansion: pieces of the input, which passes scan, and the values that
// passes put in, which no pass scans. Pieces are never joined before the end, so a macro
// cannot form across a value either.
class ExpansionText {
public:
    explicit ExpansionText(std::u16string_view input) {
        pieces_.push_back({std::u16string(input), true});
    }

    // Replaces each well-formed occurrence of form in the input's pieces by value_of(macro).
    template <class ValueOf> void Replace(const MacroForm& form, ValueOf&& value_of) {
        std::vector<Piece> result;
        result.reserve(pieces_.size());
        for (Piece& piece : pieces_) {
            if (!piece.from_input) {
                result.push_back(std::move(piece));
                continue;
            }
            const std::u16string_view text = piece.text;
            size_t kept = 0;
            for (auto macro = FindMacro(text, 0, form); macro;
                 macro = FindMacro(text, macro->end, form)) {
                Add(result, std::u16string(text.substr(kept, macro->begin - kept)), true);
                Add(result, value_of(*macro), false);
                kept = macro->end;
            }
            if (kept == 0)
                result.push_back(std::move(piece));
            else
                Add(result, std::u16string(text.substr(kept)), true);
        }
        pieces_ = std::move(result);
    }

    std::u16string Join() const {
        std::u16string joined;
        for (const Piece& piece : pieces_)
            joined += piece.text;
        return joined;
    }

private:
    struct Piece {
        std::u16string text;
        bool from_input;
    };

    static void Add(std::vector<Piece>& pieces, std::u16string text, bool from_input) {
        if (!text.empty())
            pieces.push_back({std::move(text), from_input});
    }

    std::vector<Piece> pieces_;
};

// The value of every occurrence of one macro text within a pass, computed once, as when all
// occurrences are replaced at once.
class PassValues {
public:
    template <class Compute>
    const std::u16string& Get(const ScannedMacro& macro, Compute&& compute) {
        std::u16string key = macro.argument ? u"(" + std::u16string(*macro.argument) : u"";
        auto found = values_.find(key);
        if (found == values_.end())
            found = values_.emplace(std::move(key), compute()).first;
        return found->second;
    }

private:
    std::map<std::u16string, std::u16string> values_;
};

uint32_t WidthOf(const ScannedMacro& macro) {
    return macro.argument ? ParsePadWidth(*macro.argument) : 0;
}

class Expander {
public:
    Expander(MacroResolver& resolver, int32_t page, bool file_name_times)
        : resolver_(resolver), page_(page), file_name_times_(file_name_times) {}

    ExpandedText Run(std::u16string_view input) {
        ExpansionText text(input);
        ReplaceName(text, kTerminal,
                    [this] { return SafeFileNameComponent(resolver_.TerminalClientName()); });
        ReplaceName(text, kDocName,
                    [this] { return SafeFileNameComponent(resolver_.DocumentName()); });
        ReplaceName(text, kExt, [this] { return resolver_.Extension(); });
        ReplaceName(text, kUser, [this] { return resolver_.UserName(); });
        ReplaceName(text, kMachine, [this] { return resolver_.MachineName(); });
        ReplaceSysFolders(text);
        ReplacePages(text);
        ReplaceIdentities(text);
        if (const auto job = resolver_.JobId())
            ReplaceJobs(text, *job);
        ReplaceDatesOrTimes(text, kDate, &MacroResolver::Date);
        ReplaceDatesOrTimes(text, kTime, &MacroResolver::Time);
        return {text.Join(), page_macros_};
    }

private:
    template <class Resolve>
    static void ReplaceName(ExpansionText& text, const MacroForm& form, Resolve&& resolve) {
        PassValues values;
        text.Replace(form, [&](const ScannedMacro& macro) { return values.Get(macro, resolve); });
    }

    void ReplaceSysFolders(ExpansionText& text) {
        PassValues values;
        text.Replace(kSysFolder, [&](const ScannedMacro& macro) {
            return values.Get(macro, [&] {
                const auto csidl = ShellFolderCsidl(*macro.argument);
                return csidl ? resolver_.ShellFolderPath(*csidl) : std::u16string();
            });
        });
    }

    void ReplacePages(ExpansionText& text) {
        text.Replace(kPage, [&](const ScannedMacro& macro) {
            ++page_macros_;
            if (!macro.argument && page_ < 1)
                return std::u16string();
            return ZeroPadded(page_, WidthOf(macro));
        });
    }

    // Every occurrence takes a number of its own, in text order.
    void ReplaceIdentities(ExpansionText& text) {
        text.Replace(kIdentity, [&](const ScannedMacro& macro) {
            return ZeroPadded(resolver_.NextIdentity(), WidthOf(macro));
        });
    }

    void ReplaceJobs(ExpansionText& text, int32_t job) {
        text.Replace(kJob,
                     [&](const ScannedMacro& macro) { return ZeroPadded(job, WidthOf(macro)); });
    }

    using Clock = std::u16string (MacroResolver::*)(std::optional<std::u16string_view>);
    void ReplaceDatesOrTimes(ExpansionText& text, const MacroForm& form, Clock clock) {
        PassValues values;
        text.Replace(form, [&](const ScannedMacro& macro) {
            return values.Get(macro, [&] {
                std::u16string value = (resolver_.*clock)(macro.argument);
                if (file_name_times_)
                    SanitizeFileName(value);
                return value;
            });
        });
    }

    MacroResolver& resolver_;
    const int32_t page_;
    const bool file_name_times_;
    int32_t page_macros_ = 0;
};

} // namespace

ExpandedText ExpandMacros(std::u16string_view input, int32_t page, bool file_name_times,
                          MacroResolver& resolver) {
    return Expander(resolver, page, file_name_times).Run(input);
}
