#pragma once
#include <windows.h>

// The HTTP transport's class: ProgID stem "QLX_TPlugin_HTTP", name "HTTP".
// {B54180E8-1F84-4620-AE99-63C4168A69B9}
constexpr CLSID kHttpTransportClsid = {
    0xB54180E8, 0x1F84, 0x4620, {0xAE, 0x99, 0x63, 0xC4, 0x16, 0x8A, 0x69, 0xB9}};

// Resources of xfer_http: the settings page's dialog and the toolbox bitmap.
constexpr int kHttpPageDialogId = 104;
constexpr int kHttpBitmapId = 102;

// The settings page's controls that carry parameters.
enum HttpControlId {
    kHttpUrlEditId = 201,
    kHttpFileEditId = 202,
    kHttpUserEditId = 203,
    kHttpPasswordEditId = 204,
    kHttpPutBoxId = 205,
};
