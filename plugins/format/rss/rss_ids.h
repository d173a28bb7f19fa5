#pragma once
#include <windows.h>

// The RSS and Atom format plug-in (qlx_plugin_rss): class id, names and page controls.

// {264BE734-5527-4697-B807-A6F06278A6C4}
constexpr CLSID kRssClsid = {
    0x264BE734, 0x5527, 0x4697, {0xB8, 0x07, 0xA6, 0xF0, 0x62, 0x78, 0xA6, 0xC4}};

constexpr wchar_t kRssName[] = L"RSS";
constexpr wchar_t kRssDescription[] = L"RSS-Atom";
constexpr wchar_t kRssExtension[] = L"xml";
constexpr wchar_t kRssLayout[] = L"Blink,Bdescription,Bauthor,Lbr,Latom";
constexpr wchar_t kRssStem[] = L"QLX_RPlugin_RSS";

constexpr int kRssPageId = 103;
constexpr int kRssBitmapId = 101;
constexpr int kFormatComboId = 104;
constexpr int kHtmlBoxId = 105;
constexpr int kAuthorEditId = 106;
constexpr int kLinkEditId = 107;
constexpr int kDescriptionEditId = 108;
