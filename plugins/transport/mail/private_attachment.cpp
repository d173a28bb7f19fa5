#include "private_attachment.h"

#include <algorithm>
#include <atomic>
#include <cwchar>

#include "mail_text.h"

namespace {

constexpr int kFolderTries = 100;

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return L"c:\\";
    std::wstring folder(buffer, length);
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

// The text in ANSI with every character that the code page lacks as "_", never a look-alike;
// false when the code page cannot be used that way.
bool ToExactAnsi(const std::wstring& text, std::string* ansi, bool* lossy) {
    ansi->clear();
    *lossy = false;
    if (text.empty())
        return true;
    const int chars = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), chars, nullptr, 0,
                                    "_", &usedDefault);
    const bool exactFlags = bytes > 0;
    if (!exactFlags) // UTF-8 as the ANSI code page takes neither; it needs neither
        bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), chars, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    ansi->resize(static_cast<size_t>(bytes));
    usedDefault = FALSE;
    const int written = exactFlags
                            ? WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), chars,
                                                  &(*ansi)[0], bytes, "_", &usedDefault)
                            : WideCharToMultiByte(CP_ACP, 0, text.data(), chars, &(*ansi)[0], bytes,
                                                  nullptr, nullptr);
    if (written <= 0)
        return false;
    ansi->resize(static_cast<size_t>(written));
    *lossy = usedDefault != FALSE;
    return true;
}

std::wstring FromAnsi(const std::string& ansi) {
    if (ansi.empty())
        return std::wstring();
    const int bytes = static_cast<int>(ansi.size());
    const int chars = MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, nullptr, 0);
    if (chars <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, &wide[0], chars);
    return wide;
}

std::u16string ToU16(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}
std::wstring FromU16(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace

PrivateAttachment::~PrivateAttachment() {
    Remove();
}

bool PrivateAttachment::CreateFolder() {
    static std::atomic<unsigned> counter{0};
    const std::wstring temp = TempFolder();
    for (int attempt = 0; attempt < kFolderTries; ++attempt) {
        wchar_t leaf[40];
        swprintf(leaf, 40, L"qlxmail_%08lx_%08x", GetCurrentProcessId(),
                 GetTickCount() ^ (counter.fetch_add(1) * 0x9E3779B9u));
        std::wstring folder = temp + leaf;
        if (CreateDirectoryW(folder.c_str(), nullptr)) {
            folder_ = std::move(folder);
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool PrivateAttachment::Create(const std::wstring& name) {
    Remove();
    if (!CreateFolder())
        return false;
    // MAPI gets the path in ANSI: a folder that the code page cannot name goes by its short
    // name.
    std::string ansiFolder;
    bool lossy = false;
    if (!ToExactAnsi(folder_, &ansiFolder, &lossy) || lossy) {
        wchar_t shortName[MAX_PATH] = {};
        const DWORD length = GetShortPathNameW(folder_.c_str(), shortName, MAX_PATH);
        if (length == 0 || length >= MAX_PATH ||
            !ToExactAnsi(std::wstring(shortName, length), &ansiFolder, &lossy) || lossy) {
            Remove();
            return false;
        }
        folder_.assign(shortName, length);
    }
    // Room for the folder, a backslash, the name and a terminator, in characters and in the
    // ANSI path's bytes.
    size_t room = folder_.size() + 2 < MAX_PATH ? MAX_PATH - folder_.size() - 2 : 0;
    std::string ansiName;
    while (true) {
        const std::wstring safe = FromU16(mail_text::SafeAttachmentName(ToU16(name), room));
        if (safe.empty() || !ToExactAnsi(safe, &ansiName, &lossy) || ansiName.empty()) {
            Remove();
            return false;
        }
        const size_t bytes = ansiFolder.size() + 1 + ansiName.size();
        if (bytes < MAX_PATH)
            break;
        room -= std::min(room, bytes - MAX_PATH + 1);
    }
    path_ = folder_ + L"\\" + FromAnsi(ansiName);
    ansiPath_ = ansiFolder + "\\" + ansiName;
    file_.Reset(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        Remove();
        return false;
    }
    return true;
}

bool PrivateAttachment::Write(const void* data, DWORD size) {
    DWORD written = 0;
    return file_ && WriteFile(file_.Get(), data, size, &written, nullptr) && written == size;
}

bool PrivateAttachment::Close() {
    if (!file_)
        return false;
    return CloseHandle(file_.Release()) != FALSE;
}

void PrivateAttachment::Remove() {
    file_.Reset();
    if (!path_.empty())
        DeleteFileW(path_.c_str());
    if (!folder_.empty())
        RemoveDirectoryW(folder_.c_str());
    path_.clear();
    ansiPath_.clear();
    folder_.clear();
}
