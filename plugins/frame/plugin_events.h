#pragma once
#include <windows.h>
#include <oaidl.h>

#include "connection_point.h"

// The plug-in events, fired to every sink of the event point: the arguments are built last
// first, as IDispatch::Invoke takes them, the sink list is read under the point's lock and each
// sink is called outside it; a failing or dead sink does not stop the others. A failure to copy
// an argument fires nothing and returns E_OUTOFMEMORY.
namespace plugin_events {

constexpr DISPID kOnChangeParam = 1;
constexpr DISPID kOnError = 2;
constexpr DISPID kOnProgress = 3;

HRESULT FireChangeParam(ConnectionPoint& point, const wchar_t* plugin, const wchar_t* param,
                        const VARIANT& value) noexcept;
HRESULT FireError(ConnectionPoint& point, const wchar_t* plugin, const wchar_t* message) noexcept;
HRESULT FireProgress(ConnectionPoint& point, const wchar_t* plugin, long percent) noexcept;

} // namespace plugin_events
