#pragma once
#include <windows.h>

#include <string>

// What the Windows name is made from: the real version (not the one the version query gives
// programs without a compatibility manifest), product type and suite mask, and whether a
// 32-bit process runs on 64-bit Windows.
struct OsFacts {
    bool nt_family = true;
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    std::wstring service_pack; // e.g. "Service Pack 3"; empty when none
    BYTE product_type = VER_NT_WORKSTATION;
    WORD suite_mask = 0;
    bool server_r2 = false; // SM_SERVERR2
    bool wow64 = false;
};

// The first of the digits 1 to 9, tried in that order, that occurs in the text; 0 when none.
int ServicePackNumber(const std::wstring& service_pack);

// The name written to the log, e.g. "Windows XP Professional Edition 64-bit Service Pack 2",
// "Windows 2003 R2 DataCenter Server", "Windows 11 64-bit".
std::wstring OsName(const OsFacts& facts);
