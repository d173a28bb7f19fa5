#pragma once
#include <windows.h>
#include <oaidl.h>

#include <initializer_list>

// Sets the calling thread's COM error information (read by GetErrorInfo in the client, in this
// process or, through the marshaled ISupportErrorInfo check, in another one). Returns S_OK, or
// the failure of CreateErrorInfo/SetErrorInfo; the caller's own result stays its own.
HRESULT SetComErrorInfo(const wchar_t* source, const wchar_t* description,
                        REFGUID iid = GUID_NULL) noexcept;

// Sets the error information and returns failure, so that a method can end with
// "return ReportComError(E_FAIL, ...)". The failure comes back even when no error object
// could be made.
HRESULT ReportComError(HRESULT failure, const wchar_t* source, const wchar_t* description,
                       REFGUID iid = GUID_NULL) noexcept;

// ISupportErrorInfo for a class: S_OK for the interfaces its Supported list names.
inline HRESULT InterfaceInList(REFIID iid, std::initializer_list<const IID*> supported) noexcept {
    for (const IID* one : supported) {
        if (IsEqualIID(iid, *one))
            return S_OK;
    }
    return S_FALSE;
}
