// qlx_install: what the product's setup does to a machine, as far as the demo needs it here.
//
//   qlx_install [--autosave] DRIVER_FOLDER [PRINTER]
//       DriverPath = DRIVER_FOLDER, with its "temp" and "data" folders; the driver entry and
//       the printer; with --autosave also the machine-wide Autosave 1, as the administration
//       program sets it, so that jobs are saved without a user interface
//   qlx_install --remove [PRINTER]
//       the printer removed again
//
// PRINTER defaults to "Quorvane Text Printer". Registering the core and the plug-ins is their
// own programs' work (qlx_core.exe /RegServer, regsvr32).
#include <windows.h>

#include <cstdio>
#include <string>

#include "file_util.h"
#include "own_printer.h"
#include "product_key.h"
#include "reg_key.h"

namespace {

constexpr wchar_t kDefaultPrinter[] = L"Quorvane Text Printer";

int Fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "qlx_install: %s (0x%08lX)\n", what, static_cast<unsigned long>(hr));
    return 1;
}

HRESULT SetDriverPath(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    for (const wchar_t* sub : {L"temp\\", L"data\\"}) {
        // The path's last element is a file name: the folder itself is made with a dummy.
        const std::wstring inside = folder + sub + L"x";
        if (!CreateDirectoryPath(inside.c_str()))
            return HRESULT_FROM_WIN32(GetLastError());
    }
    RegKey key;
    if (!key.Create(HKEY_LOCAL_MACHINE, ProductKey(), KEY_SET_VALUE))
        return E_ACCESSDENIED;
    const DWORD bytes = static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t));
    const LONG error = RegSetValueExW(key.Get(), L"DriverPath", 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(folder.c_str()), bytes);
    return HRESULT_FROM_WIN32(error);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const bool autosave = argc > 1 && std::wstring(argv[1]) == L"--autosave";
    if (autosave) {
        --argc;
        ++argv;
    }
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: qlx_install [--autosave] DRIVER_FOLDER [PRINTER] | "
                             "--remove [PRINTER]\n");
        return 2;
    }
    const std::wstring printer = argc == 3 ? argv[2] : kDefaultPrinter;
    HRESULT hr;
    if (std::wstring(argv[1]) == L"--remove") {
        if (FAILED(hr = RemoveOwnPrinter(printer)))
            return Fail("cannot remove the printer", hr);
        return 0;
    }
    if (FAILED(hr = SetDriverPath(argv[1])))
        return Fail("cannot set the driver folder", hr);
    if (FAILED(hr = AddOwnPrinter(printer)))
        return Fail("cannot add the printer", hr);
    if (autosave && !WriteRegDword(HKEY_LOCAL_MACHINE, L"Autosave", 1))
        return Fail("cannot set Autosave", E_ACCESSDENIED);
    std::printf("qlx_install: printer \"%ls\", driver folder %ls\n", printer.c_str(), argv[1]);
    return 0;
}
