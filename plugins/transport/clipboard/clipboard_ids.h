#pragma once
#include <windows.h>

// The clipboard transport's class, name, parameters and settings-page controls.
// {D475F618-1DAD-4E04-B401-4DC74E17BE54}
constexpr CLSID CLSID_XFER_Clipboard = {
    0xD475F618, 0x1DAD, 0x4E04, {0xB4, 0x01, 0x4D, 0xC7, 0x4E, 0x17, 0xBE, 0x54}};
constexpr wchar_t kClipboardName[] = L"Clipboard";
constexpr wchar_t kClipboardLayout[] = L"Bexec,Bparam,Lhide,Lopen,Lwait";
constexpr int kClipboardPageId = 103;

enum ClipboardControlId {
    kClipboardOpenBoxId = 200,
    kClipboardExecEditId = 201,
    kClipboardBrowseButtonId = 202,
    kClipboardParamEditId = 203,
    kClipboardHideBoxId = 204,
    kClipboardWaitBoxId = 205,
};
