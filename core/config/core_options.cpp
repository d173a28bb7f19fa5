#include "core_options.h"

#include "registry.h"

namespace {

// DriverPath with its terminator, as the other deliverables read it.
constexpr DWORD kDriverPathRoom = 261;
constexpr wchar_t kDefaultDriverPath[] = L"c:\\";

std::wstring ReadDriverPath() {
    wchar_t path[kDriverPathRoom];
    ReadRegString(kDriverPathRoom, kDefaultDriverPath, path, L"DriverPath");
    // An empty value would put the spool folder at the root of the current drive.
    std::wstring folder = path[0] ? path : kDefaultDriverPath;
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

} // namespace

CoreOptions ReadCoreOptions() {
    CoreOptions options;
    ReadRegDword(HKEY_CURRENT_USER, &options.identity, 1, L"Identity");
    ReadRegDword(HKEY_CURRENT_USER, &options.autosave, kAutosaveMachineWide, L"Autosave");
    if (options.autosave == kAutosaveMachineWide)
        ReadRegDword(HKEY_LOCAL_MACHINE, &options.autosave, 0, L"Autosave");
    options.identity_as_read = options.identity;
    options.autosave_as_read = options.autosave;

    ReadRegDword(HKEY_LOCAL_MACHINE, &options.wait_ui_loaded, 0, L"WaitUILoaded");
    ReadRegDword(HKEY_LOCAL_MACHINE, &options.async_events, 0, L"AsyncEvents");
    ReadRegDword(HKEY_LOCAL_MACHINE, &options.async_processing, 1, L"AsyncProcessing");
    ReadRegDword(HKEY_LOCAL_MACHINE, &options.print_timeout, 30, L"PrintTimeout");

    options.driver_path = ReadDriverPath();
    options.spool_folder = options.driver_path + L"temp\\";
    options.data_folder = options.driver_path + L"data\\";
    return options;
}

bool SaveChangedIdentity(CoreOptions& options) {
    if (options.identity == options.identity_as_read)
        return true;
    if (!WriteRegDword(HKEY_CURRENT_USER, L"Identity", options.identity))
        return false;
    options.identity_as_read = options.identity;
    return true;
}
