#pragma once
#include <windows.h>

// The mail transport's class, name, parameters and settings-page controls.
// {A644D24A-3190-4BC3-BDF0-F8D0054FA340}
constexpr CLSID CLSID_XFER_Mail = {
    0xA644D24A, 0x3190, 0x4BC3, {0xBD, 0xF0, 0xF8, 0xD0, 0x05, 0x4F, 0xA3, 0x40}};
constexpr wchar_t kMailName[] = L"Mail";
constexpr wchar_t kMailLayout[] = L"Bmail,Bsubject,Bmessage,Lattach,Bfilename";
constexpr int kMailPageId = 103;

enum MailControlId {
    kMailToEditId = 201,
    kMailSubjectEditId = 202,
    kMailMessageEditId = 203,
    kMailAttachBoxId = 204,
    kMailFilenameEditId = 205,
};
