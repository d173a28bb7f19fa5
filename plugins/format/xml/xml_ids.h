#pragma once
#include <windows.h>

// The XML format plug-in (qlx_plugin_xml): class id, names and page controls.

// {7A17FFB0-2A49-455F-ADDD-B2DBFC4FF7BE}
constexpr CLSID kXmlClsid = {
    0x7A17FFB0, 0x2A49, 0x455F, {0xAD, 0xDD, 0xB2, 0xDB, 0xFC, 0x4F, 0xF7, 0xBE}};

constexpr wchar_t kXmlName[] = L"XML";
constexpr wchar_t kXmlDescription[] = L"XML";
constexpr wchar_t kXmlExtension[] = L"xml";
constexpr wchar_t kXmlLayout[] = L"Loptimize,Lspace";
constexpr wchar_t kXmlStem[] = L"QLX_RPlugin_XML";

constexpr int kXmlPageId = 103;
constexpr int kXmlBitmapId = 101;
constexpr int kOptimizeBoxId = 104;
constexpr int kSpaceComboId = 105;
