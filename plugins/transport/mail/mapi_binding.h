#pragma once
#include <windows.h>
#include <mapi.h>

#include <string>

// Simple MAPI, loaded from "Mapi32.dll" for one mail and freed with the holder. A missing
// library or entry is no error here: the send then fails.
class MapiBinding {
public:
    MapiBinding() noexcept;
    ~MapiBinding();
    MapiBinding(const MapiBinding&) = delete;
    MapiBinding& operator=(const MapiBinding&) = delete;

    bool Bound() const { return module_ && sendMail_; }
    // MAPISendMail with no session, no parent window and no dialog.
    ULONG SendMail(MapiMessage& message) const noexcept;

private:
    HMODULE module_ = nullptr;
    LPMAPISENDMAIL sendMail_ = nullptr;
};

// One mail to one recipient, every text in the ANSI code page: the recipient's record (the
// address as its name, "SMTP:" and the address as its address), the subject, the note and,
// when file is not null, that file attached under its own name. True exactly when MAPI
// reports success; false also without MAPI and for an address too long for its record.
bool CallMapiSendMail(const MapiBinding& binding, const std::string& address,
                      const std::string& subject, const std::string& note,
                      const std::string* file) noexcept;
