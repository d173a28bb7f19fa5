#include "mapi_binding.h"

#include <new>

namespace {

// The recipient's address record: "SMTP:", the address and a terminator.
constexpr size_t kAddressRecordSize = 1000;
constexpr char kAddressType[] = "SMTP:";

// A writable copy for the records' LPSTR fields, which MAPI only reads.
char* Text(std::string& text) {
    return &text[0];
}

} // namespace

MapiBinding::MapiBinding() noexcept {
    module_ = LoadLibraryW(L"Mapi32.dll");
    if (module_)
        sendMail_ = reinterpret_cast<LPMAPISENDMAIL>(
            reinterpret_cast<void*>(GetProcAddress(module_, "MAPISendMail")));
}

MapiBinding::~MapiBinding() {
    if (module_)
        FreeLibrary(module_);
}

ULONG MapiBinding::SendMail(MapiMessage& message) const noexcept {
    if (!Bound())
        return MAPI_E_FAILURE;
    return sendMail_(0, 0, &message, 0, 0);
}

bool CallMapiSendMail(const MapiBinding& binding, const std::string& address,
                      const std::string& subject, const std::string& note,
                      const std::string* file) noexcept {
    if (!binding.Bound())
        return false;
    if (sizeof(kAddressType) - 1 + address.size() + 1 > kAddressRecordSize)
        return false;
    try {
        std::string name = address;
        std::string smtp = kAddressType + address;
        std::string subjectText = subject;
        std::string noteText = note;
        std::string path = file ? *file : std::string();

        MapiRecipDesc recipient{};
        recipient.ulRecipClass = MAPI_TO;
        recipient.lpszName = Text(name);
        recipient.lpszAddress = Text(smtp);

        MapiFileDesc attachment{};
        attachment.nPosition = static_cast<ULONG>(-1); // not placed in the body
        attachment.lpszPathName = Text(path);

        MapiMessage message{};
        message.lpszSubject = Text(subjectText);
        message.lpszNoteText = Text(noteText);
        message.nRecipCount = 1;
        message.lpRecips = &recipient;
        if (file) {
            message.nFileCount = 1;
            message.lpFiles = &attachment;
        }
        return binding.SendMail(message) == SUCCESS_SUCCESS;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
