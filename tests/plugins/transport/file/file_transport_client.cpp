#include "file_transport_client.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "com_bstr.h"
#include "com_variant.h"
#include "file_transport_id.h"
#include "file_transport_paths.h"
#include "temp_dir.h"

ComPtr<IQLX_TPLUGIN> CreateFileTransport() {
    // Loaded once for the test program's life: objects may outlive any one test's holder.
    static HMODULE library = LoadLibraryW(QLX_XFER_FILE_DLL);
    ComPtr<IQLX_TPLUGIN> plugin;
    EXPECT_TRUE(library) << "cannot load xfer_file.dll: " << GetLastError();
    if (!library)
        return plugin;
    auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
    EXPECT_TRUE(getClassObject);
    if (!getClassObject)
        return plugin;
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(kFileTransportClsid, IID_IClassFactory, factory.AsVoidOut()), S_OK);
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IQLX_TPLUGIN, plugin.AsVoidOut()), S_OK);
    }
    return plugin;
}

HRESULT PutText(IQLX_TPLUGIN* plugin, const wchar_t* name, const std::wstring& value) {
    ComVariant text(value.c_str());
    return plugin->PutParam(ComBstr(name), text);
}

HRESULT PutLong(IQLX_TPLUGIN* plugin, const wchar_t* name, long value) {
    ComVariant number(value);
    return plugin->PutParam(ComBstr(name), number);
}

std::wstring GetText(IQLX_TPLUGIN* plugin, const wchar_t* name) {
    ComVariant value;
    const HRESULT hr = plugin->GetParam(ComBstr(name), &value);
    if (FAILED(hr))
        return L"hr=" + std::to_wstring(hr);
    if (value.vt == VT_I4)
        return L"#" + std::to_wstring(value.lVal);
    if (value.vt == VT_BSTR)
        return std::wstring(value.bstrVal ? value.bstrVal : L"", SysStringLen(value.bstrVal));
    return L"?vt=" + std::to_wstring(value.vt);
}

namespace {

void CollectFiles(const std::wstring& folder, const std::wstring& prefix,
                  std::vector<std::wstring>* files) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(folder + L"\\" + name, prefix + name + L"\\", files);
        else
            files->push_back(prefix + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace

std::vector<std::wstring> FilesBelow(const std::wstring& folder) {
    std::vector<std::wstring> files;
    CollectFiles(folder, L"", &files);
    std::sort(files.begin(), files.end());
    return files;
}

std::string FileBytes(const std::wstring& path) {
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? bytes : "<missing>";
}

std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}
