#include <winsock2.h>

#include "recording_server.h"

#include <cstdio>

#include "http_test_paths.h"

namespace {

constexpr DWORD kStartMs = 15000;
constexpr DWORD kStopMs = 10000;
constexpr DWORD kPollMs = 20;

// Wine's own export: the Unix path of a Windows path (owned by the process heap).
std::wstring UnixPath(const std::wstring& path) {
    using Convert = char*(CDECL*)(const wchar_t*);
    auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert)
        return {};
    char* unix = convert(path.c_str());
    if (!unix)
        return {};
    std::wstring result(unix, unix + strlen(unix));
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

bool WaitForFile(const std::wstring& path, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
        if (FileExists(path))
            return true;
        Sleep(kPollMs);
    }
    return FileExists(path);
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

std::string RecordingServer::Request::Header(const std::string& name) const {
    for (const auto& header : headers)
        if (Lower(header.first) == Lower(name))
            return header.second;
    return "<none>";
}

bool RecordingServer::Request::HasHeader(const std::string& name) const {
    return Header(name) != "<none>";
}

RecordingServer::RecordingServer(bool tls) : tls_(tls) {
    const std::wstring folder = UnixPath(dir_.Path());
    if (folder.empty())
        return;
    std::wstring command =
        std::wstring(QLX_PYTHON) + L" " + QLX_RECORDING_SERVER_SCRIPT + L" " + folder;
    if (tls)
        command += std::wstring(L" --tls ") + QLX_TEST_TLS_CERT + L" " + QLX_TEST_TLS_KEY;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return;
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);
    std::string port;
    if (WaitForFile(dir_.File(L"port"), kStartMs) && ReadWholeFile(dir_.File(L"port"), &port))
        port_ = atoi(port.c_str());
}

RecordingServer::~RecordingServer() {
    if (!Started())
        return;
    WriteWholeFile(dir_.File(L"stop"), "");
    if (!WaitForFile(dir_.File(L"stopped"), kStopMs))
        std::fprintf(stderr, "the recording server did not stop; it ends at its lifetime\n");
}

std::wstring RecordingServer::Url(const std::wstring& path) const {
    return (tls_ ? L"https://127.0.0.1:" : L"http://127.0.0.1:") + std::to_wstring(port_) + path;
}

std::string RecordingServer::Read(const std::wstring& name) const {
    std::string bytes;
    if (!ReadWholeFile(dir_.File(name), &bytes))
        return "<none>";
    return bytes;
}

std::vector<RecordingServer::Request> RecordingServer::Requests() const {
    std::vector<Request> requests;
    for (size_t n = 0;; ++n) {
        std::string head;
        if (!ReadWholeFile(dir_.File(std::to_wstring(n) + L".head"), &head))
            break;
        std::vector<std::string> lines;
        for (size_t at = 0; at < head.size();) {
            const size_t end = head.find('\n', at);
            lines.push_back(head.substr(at, end - at));
            at = end == std::string::npos ? head.size() : end + 1;
        }
        Request request;
        if (lines.size() >= 2) {
            request.method = lines[0];
            request.target = lines[1];
        }
        for (size_t i = 2; i < lines.size(); ++i) {
            const size_t colon = lines[i].find(": ");
            if (colon != std::string::npos)
                request.headers.emplace_back(lines[i].substr(0, colon), lines[i].substr(colon + 2));
        }
        request.body = Read(std::to_wstring(n) + L".body");
        request.decodedPath = Read(std::to_wstring(n) + L".path");
        requests.push_back(std::move(request));
    }
    return requests;
}

std::string RecordingServer::Field(size_t n, const std::string& name) const {
    return Read(std::to_wstring(n) + L".field." + std::wstring(name.begin(), name.end()));
}

int UnusedPort() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 0;
    int port = 0;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s != INVALID_SOCKET) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        closesocket(s);
    }
    WSACleanup();
    return port;
}
