#pragma once
#include <windows.h>

// Identities of the core server, and the names its registration writes.

// {94AF1725-B56A-4A25-ACD8-DC169054B904}
const GUID kCoreAppId = {
    0x94af1725, 0xb56a, 0x4a25, {0xac, 0xd8, 0xdc, 0x16, 0x90, 0x54, 0xb9, 0x04}};
// {2082E06B-0673-42EC-9BF2-599D31BAB8B5}: the engine's class.
const CLSID kCoreEngineClsid = {
    0x2082e06b, 0x0673, 0x42ec, {0x9b, 0xf2, 0x59, 0x9d, 0x31, 0xba, 0xb8, 0xb5}};
// {BC678B20-47F5-4568-B845-98B0CC29928B}, version 6.0.
const GUID kCoreTypeLibId = {
    0xbc678b20, 0x47f5, 0x4568, {0xb8, 0x45, 0x98, 0xb0, 0xcc, 0x29, 0x92, 0x8b}};
// {5BD3D599-E24A-4E8F-89A1-FA0B859CCD5A}
const GUID kFormatCategoryId = {
    0x5bd3d599, 0xe24a, 0x4e8f, {0x89, 0xa1, 0xfa, 0x0b, 0x85, 0x9c, 0xcd, 0x5a}};
// {A31FF0FD-B1D2-478C-B794-96E68EC701E1}
const GUID kTransportCategoryId = {
    0xa31ff0fd, 0xb1d2, 0x478c, {0xb7, 0x94, 0x96, 0xe6, 0x8e, 0xc7, 0x01, 0xe1}};

constexpr wchar_t kCoreAppName[] = L"Quorvane Lettrix";
constexpr wchar_t kCoreClassName[] = L"QLX Class";
constexpr wchar_t kCoreProgId[] = L"Quorvane.Lettrix.6.0";
constexpr wchar_t kCoreIndependentProgId[] = L"Quorvane.Lettrix";
constexpr wchar_t kCoreTypeLibVersion[] = L"6.0";
constexpr DWORD kCoreAuthenticationLevel = 1;
constexpr wchar_t kFormatCategoryName[] = L"Quorvane Lettrix Rendering Plug-ins";
constexpr wchar_t kTransportCategoryName[] = L"Quorvane Lettrix Transport Plug-ins";

// The proxy/stub libraries beside the program: one per bitness of the clients.
constexpr wchar_t kProxyLibrary32[] = L"qlx_core_ps.dll";
constexpr wchar_t kProxyLibrary64[] = L"qlx_core_ps64.dll";

// Set by the administration program to shut the core down.
constexpr wchar_t kCoreWaitEventName[] = L"QLX_CORE_WAIT_EVENT";

// The string resource that holds the product key.
constexpr UINT kProductKeyStringId = 101;
