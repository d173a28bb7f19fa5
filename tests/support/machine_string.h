#pragma once
#include <string>

// A REG_SZ value of the product key under HKEY_LOCAL_MACHINE, the real one that the
// deliverables' resources name, for as long as the holder lives; the value found before is
// put back afterwards. Tests that hold one change the shared prefix.
class MachineString {
public:
    MachineString(const wchar_t* name, const std::wstring& value);
    ~MachineString();
    MachineString(const MachineString&) = delete;
    MachineString& operator=(const MachineString&) = delete;

private:
    const wchar_t* name_;
    bool had_value_ = false;
    std::wstring old_value_;
};
