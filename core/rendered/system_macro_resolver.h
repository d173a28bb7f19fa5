#pragma once
#include <optional>
#include <string>

#include "identity_source.h"
#include "macro_resolver.h"

// What the engine knows of the current job for one expansion, copied under its lock.
struct JobMacroValues {
    std::wstring document_name;
    std::wstring extension;     // of the selected format plug-in; empty when none
    std::optional<long> job_id; // only while a job is processed
};

// The macro values of the system: terminal client, user and computer names, shell folders,
// the user's date and time formats; the job's values and identity numbers from the engine.
class SystemMacroResolver final : public MacroResolver {
public:
    SystemMacroResolver(JobMacroValues job, IdentitySource& identity)
        : job_(std::move(job)), identity_(identity) {}

    std::u16string TerminalClientName() override;
    std::u16string DocumentName() override;
    std::u16string Extension() override;
    std::u16string UserName() override;
    std::u16string MachineName() override;
    std::u16string ShellFolderPath(int csidl) override;
    int32_t NextIdentity() override;
    std::optional<int32_t> JobId() override;
    std::u16string Date(std::optional<std::u16string_view> picture) override;
    std::u16string Time(std::optional<std::u16string_view> picture) override;

private:
    const JobMacroValues job_;
    IdentitySource& identity_;
};
