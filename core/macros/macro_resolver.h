#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Supplies the values of the macros of one expansion. The expander asks for a value only when
// the text holds its macro, once per distinct macro text and pass (an identity number once per
// occurrence); JobId is asked once. What comes back is put into the text as it is and never
// scanned for macros again. Methods may throw std::bad_alloc.
class MacroResolver {
public:
    virtual std::u16string TerminalClientName() = 0; // empty outside a remote session
    virtual std::u16string DocumentName() = 0;       // as the printing program gave it
    virtual std::u16string Extension() = 0;          // of the selected format; may be empty
    virtual std::u16string UserName() = 0;
    virtual std::u16string MachineName() = 0;
    // The current path of a shell folder (a CSIDL number); empty when it has none.
    virtual std::u16string ShellFolderPath(int csidl) = 0;
    // The identity counter's value; the counter advances by one with each call.
    virtual int32_t NextIdentity() = 0;
    // The id of the job being processed; none while no job is processed.
    virtual std::optional<int32_t> JobId() = 0;
    // The current date or time in the given picture, or in the user's default format when
    // there is none.
    virtual std::u16string Date(std::optional<std::u16string_view> picture) = 0;
    virtual std::u16string Time(std::optional<std::u16string_view> picture) = 0;

protected:
    ~MacroResolver() = default;
};
