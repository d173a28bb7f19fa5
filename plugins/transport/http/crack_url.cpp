#include "crack_url.h"

#include <vector>

namespace {

// INTERNET_MAX_URL_LENGTH with its terminator.
constexpr DWORD kUrlRoom = 2084;

bool Canonicalize(const std::wstring& url, std::vector<wchar_t>* canonical) {
    canonical->assign(kUrlRoom, L'\0');
    DWORD length = kUrlRoom;
    if (InternetCanonicalizeUrlW(url.c_str(), canonical->data(), &length, ICU_BROWSER_MODE))
        return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    // length now holds the size asked for.
    canonical->assign(length + 1, L'\0');
    length = static_cast<DWORD>(canonical->size());
    return InternetCanonicalizeUrlW(url.c_str(), canonical->data(), &length, ICU_BROWSER_MODE);
}

} // namespace

bool CrackUrl(const std::wstring& url, CrackedUrl* out) {
    *out = CrackedUrl{};
    std::vector<wchar_t> canonical;
    if (!Canonicalize(url, &canonical))
        return false;
    std::vector<wchar_t> host(kUrlRoom), path(kUrlRoom);
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = kUrlRoom;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = kUrlRoom;
    if (!InternetCrackUrlW(canonical.data(), 0, 0, &parts))
        return false;
    out->host.assign(host.data(), parts.dwHostNameLength);
    out->path.assign(path.data(), parts.dwUrlPathLength);
    out->scheme = parts.nScheme;
    out->port = parts.nPort;
    return true;
}

bool CrackUploadUrl(const std::wstring& url, CrackedUrl* out) {
    CrackUrl(url, out);
    if (out->scheme == INTERNET_SCHEME_UNKNOWN && !CrackUrl(L"http://" + url, out))
        return false;
    // A URL without a host ("http://") cracks, but names no server.
    return (out->scheme == INTERNET_SCHEME_HTTP || out->scheme == INTERNET_SCHEME_HTTPS) &&
           !out->host.empty();
}
