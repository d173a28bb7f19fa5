#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "temp_dir.h"

// The recording HTTP server (recording_server.py, Python's standard library) on 127.0.0.1 at a
// free port, for as long as the holder lives: started in a folder of its own, stopped and
// waited for at the end. Wine starts the Linux program without a process handle, so the two
// meet through files in that folder.
class RecordingServer {
public:
    struct Request {
        std::string method;
        std::string target;      // as it came in the request line
        std::string decodedPath; // the path before the query, percent-decoded
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;

        // The first header of that name (case-insensitive); "<none>" when there is none.
        std::string Header(const std::string& name) const;
        bool HasHeader(const std::string& name) const;
    };

    // tls: HTTPS with the test's self-signed certificate (an unknown authority, issued for
    // another name than 127.0.0.1).
    explicit RecordingServer(bool tls = false);
    ~RecordingServer();
    RecordingServer(const RecordingServer&) = delete;
    RecordingServer& operator=(const RecordingServer&) = delete;

    bool Started() const { return port_ != 0; }
    int Port() const { return port_; }
    // "http://127.0.0.1:PORT" + path (https for a TLS server).
    std::wstring Url(const std::wstring& path) const;

    // The requests recorded so far, in order.
    std::vector<Request> Requests() const;
    // The value of a multipart field of request n, or "<none>".
    std::string Field(size_t n, const std::string& name) const;

private:
    std::string Read(const std::wstring& name) const;

    TempDir dir_;
    bool tls_;
    int port_ = 0;
};

// A port on 127.0.0.1 where nothing listens (bound once and let go).
int UnusedPort();
