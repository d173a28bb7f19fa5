#pragma once
#include <windows.h>

// The library's one skin: a light face with dark blue text and a blue accent.
namespace skin {
constexpr COLORREF kFace = RGB(0xEE, 0xF1, 0xF6);
constexpr COLORREF kText = RGB(0x1E, 0x2A, 0x44);
constexpr COLORREF kDisabledText = RGB(0x9A, 0xA0, 0xAC);
constexpr COLORREF kAccent = RGB(0x2F, 0x5F, 0xA8);
constexpr COLORREF kBorder = RGB(0x8C, 0x9A, 0xB2);
constexpr COLORREF kLine = RGB(0x5A, 0x5A, 0x5A);
constexpr COLORREF kButtonTop = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kButtonBottom = RGB(0xD6, 0xDE, 0xEA);
constexpr COLORREF kButtonPressed = RGB(0xBC, 0xC8, 0xDA);
constexpr COLORREF kLinkNormal = RGB(0x1F, 0x4E, 0x9A);
constexpr COLORREF kLinkVisited = RGB(0x8A, 0x2B, 0x10);
// Pictures are drawn with this colour left out, so that they sit on any background.
constexpr COLORREF kPictureKey = RGB(0xFF, 0x00, 0xFF);
} // namespace skin
