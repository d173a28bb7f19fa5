#pragma once
#include <windows.h>

// The two component categories that plug-ins register themselves in, and the display names the
// core registers for them.
// {A31FF0FD-B1D2-478C-B794-96E68EC701E1}
inline constexpr GUID CATID_QlxTransportPlugins = {
    0xa31ff0fd, 0xb1d2, 0x478c, {0xb7, 0x94, 0x96, 0xe6, 0x8e, 0xc7, 0x01, 0xe1}};
// {5BD3D599-E24A-4E8F-89A1-FA0B859CCD5A}
inline constexpr GUID CATID_QlxRenderingPlugins = {
    0x5bd3d599, 0xe24a, 0x4e8f, {0x89, 0xa1, 0xfa, 0x0b, 0x85, 0x9c, 0xcd, 0x5a}};

inline constexpr wchar_t kTransportCategoryName[] = L"Quorvane Lettrix Transport Plug-ins";
inline constexpr wchar_t kRenderingCategoryName[] = L"Quorvane Lettrix Rendering Plug-ins";
