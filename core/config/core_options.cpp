#include "core_options.h"

#include "driver_folder.h"
#include "registry.h"

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

    options.driver_path = ReadDriverFolder();
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
