#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "handle.h"
#include "temp_dir.h"

#ifndef QLX_COLLECTION_DLL
#error "QLX_COLLECTION_DLL names the string collection library of this build tree"
#endif

namespace {

HRESULT CallRegistration(const wchar_t* path, bool add) {
    HMODULE module = LoadLibraryW(path);
    if (!module)
        return HRESULT_FROM_WIN32(GetLastError());
    using Export = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<Export>(reinterpret_cast<void*>(
        GetProcAddress(module, add ? "DllRegisterServer" : "DllUnregisterServer")));
    HRESULT hr = entry ? entry() : E_NOINTERFACE;
    FreeLibrary(module);
    return hr;
}

// Runs Wine's script host of this process's bitness on a script and returns what it wrote.
bool RunScript(const TempDir& dir, const std::string& script, std::string* output) {
    const std::wstring source = dir.File(L"client.vbs");
    const std::wstring written = dir.File(L"out.txt");
    if (!WriteWholeFile(source, script))
        return false;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    UniqueHandle out(CreateFileW(written.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr));
    if (!out)
        return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.Get();
    startup.hStdError = out.Get();
    std::wstring command = L"C:\\windows\\system32\\cscript.exe //nologo \"" + source + L"\"";
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    UniqueHandle thread(process.hThread), child(process.hProcess);
    if (WaitForSingleObject(child.Get(), 60000) != WAIT_OBJECT_0) {
        TerminateProcess(child.Get(), 1);
        return false;
    }
    out.Reset();
    return ReadWholeFile(written, output);
}

// A real automation client: VBScript creates the class by its ProgID and drives it late-bound
// through the type library, including For Each over _NewEnum and the default member Item. (Wine's
// script host reports a refused index by its number, not by the error text.)
TEST(StringCollectionScript, VBScriptUsesTheRegisteredClass) {
    ASSERT_EQ(CallRegistration(QLX_COLLECTION_DLL, true), S_OK);
    TempDir dir;
    std::string output;
    const bool ran =
        RunScript(dir,
                  "Set c = CreateObject(\"Quorvane.QLX_BSTR_Collection\")\r\n"
                  "c.Add \"Printer A\"\r\n"
                  "c.Add \"Printer C\"\r\n"
                  "c.Insert 1, \"Printer B\"\r\n"
                  "WScript.Echo c.Count & \"|\" & c(2) & \"|\" & c.Contains(\"Printer B\")\r\n"
                  "For Each p In c\r\n"
                  "  WScript.Echo p\r\n"
                  "Next\r\n"
                  "On Error Resume Next\r\n"
                  "c.Remove 7\r\n"
                  "If Err.Number <> 0 Then WScript.Echo \"refused\"\r\n",
                  &output);
    EXPECT_EQ(CallRegistration(QLX_COLLECTION_DLL, false), S_OK);
    ASSERT_TRUE(ran);
    EXPECT_EQ(output, "3|Printer C|1\r\nPrinter A\r\nPrinter B\r\nPrinter C\r\nrefused\r\n");
}

} // namespace
