// A Simple MAPI library that sends nothing: it writes down every MAPISendMail call.
#include <windows.h>
#include <mapi.h>

#include <cstdio>
#include <string>

#include "mapi_record.h"

namespace {

std::wstring Variable(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

class Record {
public:
    void Number(const std::string& key, unsigned long long value) {
        text_ += key + " " + std::to_string(value) + "\n";
    }
    void Bytes(const std::string& key, const char* data, size_t size) {
        static const char kDigits[] = "0123456789abcdef";
        std::string hex;
        for (size_t i = 0; i < size; ++i) {
            const unsigned char byte = static_cast<unsigned char>(data[i]);
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 15];
        }
        text_ += key + " " + hex + "\n";
    }
    void Text(const std::string& key, const char* text) {
        if (text)
            Bytes(key, text, strlen(text));
        else
            text_ += key + " -\n";
    }
    void Set(const std::string& key, const void* pointer) {
        text_ += key + (pointer ? " set\n" : " -\n");
    }
    void File(const std::string& key, const char* path) {
        if (!path)
            return;
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Number(key + ".open_error", GetLastError());
            return;
        }
        std::string content;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            content.append(buffer, got);
        CloseHandle(file);
        Bytes(key + ".content", content.data(), content.size());
    }
    bool AppendTo(const std::wstring& path) {
        text_ += "end\n";
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        const bool ok =
            WriteFile(file, text_.data(), static_cast<DWORD>(text_.size()), &written, nullptr) &&
            written == text_.size();
        CloseHandle(file);
        return ok;
    }

private:
    std::string text_;
};

} // namespace

extern "C" ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR ui, lpMapiMessage message,
                                     FLAGS flags, ULONG reserved) {
    Record record;
    record.Number("session", session);
    record.Number("ui", ui);
    record.Number("flags", flags);
    record.Number("reserved", reserved);
    if (message) {
        record.Number("message.reserved", message->ulReserved);
        record.Number("message.flags", message->flFlags);
        record.Text("message.subject", message->lpszSubject);
        record.Text("message.note", message->lpszNoteText);
        record.Text("message.type", message->lpszMessageType);
        record.Text("message.date", message->lpszDateReceived);
        record.Text("message.conversation", message->lpszConversationID);
        record.Set("message.originator", message->lpOriginator);
        record.Number("recipients", message->nRecipCount);
        for (ULONG i = 0; message->lpRecips && i < message->nRecipCount; ++i) {
            const MapiRecipDesc& recipient = message->lpRecips[i];
            const std::string key = "recip" + std::to_string(i);
            record.Number(key + ".reserved", recipient.ulReserved);
            record.Number(key + ".class", recipient.ulRecipClass);
            record.Text(key + ".name", recipient.lpszName);
            record.Text(key + ".address", recipient.lpszAddress);
            record.Number(key + ".eid_size", recipient.ulEIDSize);
        }
        record.Number("files", message->nFileCount);
        for (ULONG i = 0; message->lpFiles && i < message->nFileCount; ++i) {
            const MapiFileDesc& file = message->lpFiles[i];
            const std::string key = "file" + std::to_string(i);
            record.Number(key + ".reserved", file.ulReserved);
            record.Number(key + ".flags", file.flFlags);
            record.Number(key + ".position", file.nPosition);
            record.Text(key + ".path", file.lpszPathName);
            record.Text(key + ".name", file.lpszFileName);
            record.Set(key + ".type", file.lpFileType);
            record.File(key, file.lpszPathName);
        }
    }
    const std::wstring path = Variable(QLX_MAPI_RECORD_VARIABLE);
    if (path.empty() || !record.AppendTo(path))
        return MAPI_E_FAILURE;
    const std::wstring result = Variable(QLX_MAPI_RESULT_VARIABLE);
    return result.empty() ? SUCCESS_SUCCESS : wcstoul(result.c_str(), nullptr, 10);
}
