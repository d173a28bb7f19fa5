#include "spooled_job.h"

#include <math.h>

#include "emf_spool.h"
#include "file_util.h"
#include "handle.h"
#include "registry.h"

namespace {

constexpr DWORD kDriverPathRoom = 261;

bool ReadAll(const std::wstring& path, std::vector<BYTE>* bytes) {
    UniqueHandle file(OpenFileForRead(path.c_str()));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart > (64 << 20))
        return false;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    return ReadFromFile(file.Get(), bytes->data(), static_cast<DWORD>(bytes->size()));
}

LONG Pixels(LONG hundredths_of_mm, LONG dpi) {
    return static_cast<LONG>(lround(hundredths_of_mm * static_cast<double>(dpi) / 2540.0));
}

} // namespace

bool LoadPage(const std::wstring& path, LONG dpi, SpooledPage* page, std::wstring* error) {
    if (!ReadAll(path, &page->emf)) {
        *error = L"cannot read " + path;
        return false;
    }
    HENHMETAFILE metafile =
        SetEnhMetaFileBits(static_cast<UINT>(page->emf.size()), page->emf.data());
    ENHMETAHEADER header = {};
    const bool read = metafile && GetEnhMetaFileHeader(metafile, sizeof header, &header);
    if (metafile)
        DeleteEnhMetaFile(metafile);
    if (!read) {
        *error = path + L" is no EMF";
        return false;
    }
    page->width = Pixels(header.rclFrame.right - header.rclFrame.left, dpi);
    page->height = Pixels(header.rclFrame.bottom - header.rclFrame.top, dpi);
    return true;
}

std::wstring DriverPath() {
    wchar_t path[kDriverPathRoom];
    ReadRegString(kDriverPathRoom, L"c:\\", path, L"DriverPath");
    std::wstring folder = path;
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

bool WriteSpoolFile(DWORD job_id, const std::wstring& document,
                    const std::vector<SpooledPage>& pages, std::wstring* error) {
    EmfSpoolWriter writer(std::u16string(document.begin(), document.end()));
    for (const SpooledPage& page : pages)
        writer.AddPage(page.emf.data(), page.emf.size());
    wchar_t name[32];
    swprintf(name, 32, L"temp\\%05lu.spl", static_cast<unsigned long>(job_id));
    const std::wstring path = DriverPath() + name;
    CreateDirectoryPath(path.c_str());
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::vector<uint8_t>& bytes = writer.Bytes();
    if (!file || !WriteToFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()))) {
        *error = L"cannot write " + path + L": error " + std::to_wstring(GetLastError());
        return false;
    }
    return true;
}
