#pragma once
// Forced into widl's proxy code: it calls these, rpcrt4 exports them, and MinGW's headers do
// not declare them.
#include <windows.h>
#include <unknwn.h>

#ifdef __cplusplus
extern "C" {
#endif
HRESULT STDMETHODCALLTYPE IUnknown_QueryInterface_Proxy(IUnknown* self, REFIID iid, void** out);
ULONG STDMETHODCALLTYPE IUnknown_AddRef_Proxy(IUnknown* self);
ULONG STDMETHODCALLTYPE IUnknown_Release_Proxy(IUnknown* self);
#ifdef __cplusplus
}
#endif
