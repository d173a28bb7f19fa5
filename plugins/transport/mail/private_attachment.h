#pragma once
#include <windows.h>

#include <string>

#include "handle.h"

// The attachment of one mail: a file alone in a fresh folder of its own under the temporary
// folder, so that it can carry the name the mail shows without touching any other file. The
// name is made safe (one file, no device, short enough) and kept to what the ANSI code page can
// say, since MAPI is given the path in ANSI. The file and its folder are removed when the
// holder goes, whatever happened before.
class PrivateAttachment {
public:
    PrivateAttachment() = default;
    ~PrivateAttachment();
    PrivateAttachment(const PrivateAttachment&) = delete;
    PrivateAttachment& operator=(const PrivateAttachment&) = delete;

    // Makes the folder and the file, open for writing and shared for reading; false when
    // either cannot be made (nothing is left behind then).
    bool Create(const std::wstring& name);
    // One write of the whole block; false when it fails or falls short.
    bool Write(const void* data, DWORD size);
    // Closes the file, so that a mail client can open it and read all of it.
    bool Close();

    const std::wstring& Path() const { return path_; }
    const std::string& AnsiPath() const { return ansiPath_; }

private:
    bool CreateFolder();
    void Remove();

    std::wstring folder_;
    std::wstring path_;
    std::string ansiPath_;
    UniqueHandle file_;
};
