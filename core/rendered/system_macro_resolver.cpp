#include "system_macro_resolver.h"

#include <windows.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include "text_units.h"

namespace {

constexpr DWORD kNameRoom = 256; // 255 characters and the terminator

// A buffer that the terminal services API allocated.
class WtsBuffer {
public:
    explicit WtsBuffer(void* buffer) : buffer_(buffer) {}
    ~WtsBuffer() {
        if (buffer_)
            WTSFreeMemory(buffer_);
    }
    WtsBuffer(const WtsBuffer&) = delete;
    WtsBuffer& operator=(const WtsBuffer&) = delete;

private:
    void* buffer_;
};

using DateTimeFormatter = int(WINAPI*)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int);

// The moment in the user's default format, or in the picture. The size is asked for first, so
// that a long picture's text comes whole; both calls format the same moment.
std::u16string FormatNow(DateTimeFormatter format, std::optional<std::u16string_view> picture) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring picture_text;
    if (picture)
        picture_text = ToWide(*picture);
    const wchar_t* pattern = picture ? picture_text.c_str() : nullptr;
    const int room = format(LOCALE_USER_DEFAULT, 0, &now, pattern, nullptr, 0);
    if (room <= 0)
        return {};
    std::wstring text(static_cast<size_t>(room), L'\0');
    const int written = format(LOCALE_USER_DEFAULT, 0, &now, pattern, text.data(), room);
    if (written <= 0)
        return {};
    return ToU16(text.c_str(), static_cast<size_t>(written - 1));
}

using NameReader = BOOL(WINAPI*)(LPWSTR, LPDWORD);

// A user or computer name, with room for 255 characters; empty when the system gives none.
std::u16string SystemName(NameReader read) {
    wchar_t name[kNameRoom];
    DWORD size = kNameRoom;
    if (!read(name, &size))
        return {};
    return ToU16(name);
}

} // namespace

std::u16string SystemMacroResolver::TerminalClientName() {
    if (!GetSystemMetrics(SM_REMOTESESSION))
        return {};
    LPWSTR name = nullptr;
    DWORD bytes = 0;
    if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSClientName,
                                     &name, &bytes) ||
        !name)
        return {};
    WtsBuffer hold(name);
    return ToU16(name, wcsnlen(name, bytes / sizeof(WCHAR)));
}

std::u16string SystemMacroResolver::DocumentName() {
    return ToU16(job_.document_name.c_str(), job_.document_name.size());
}

std::u16string SystemMacroResolver::Extension() {
    return ToU16(job_.extension.c_str(), job_.extension.size());
}

std::u16string SystemMacroResolver::UserName() {
    return SystemName(GetUserNameW);
}

std::u16string SystemMacroResolver::MachineName() {
    return SystemName(GetComputerNameW);
}

std::u16string SystemMacroResolver::ShellFolderPath(int csidl) {
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return {};
    return ToU16(path);
}

int32_t SystemMacroResolver::NextIdentity() {
    return static_cast<int32_t>(identity_.TakeIdentity());
}

std::optional<int32_t> SystemMacroResolver::JobId() {
    if (!job_.job_id)
        return std::nullopt;
    return static_cast<int32_t>(*job_.job_id);
}

std::u16string SystemMacroResolver::Date(std::optional<std::u16string_view> picture) {
    return FormatNow(GetDateFormatW, picture);
}

std::u16string SystemMacroResolver::Time(std::optional<std::u16string_view> picture) {
    return FormatNow(GetTimeFormatW, picture);
}
