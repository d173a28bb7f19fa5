#include "error_info.h"

#include "com_ptr.h"

HRESULT SetComErrorInfo(const wchar_t* source, const wchar_t* description, REFGUID iid) noexcept {
    ComPtr<ICreateErrorInfo> create;
    HRESULT hr = CreateErrorInfo(&create);
    if (FAILED(hr))
        return hr;
    create->SetGUID(iid);
    // The strings are copied by the error object; a null text reads as empty.
    create->SetSource(const_cast<wchar_t*>(source ? source : L""));
    create->SetDescription(const_cast<wchar_t*>(description ? description : L""));
    ComPtr<IErrorInfo> info;
    hr = create->QueryInterface(IID_IErrorInfo, info.AsVoidOut());
    if (FAILED(hr))
        return hr;
    return SetErrorInfo(0, info);
}

HRESULT ReportComError(HRESULT failure, const wchar_t* source, const wchar_t* description,
                       REFGUID iid) noexcept {
    SetComErrorInfo(source, description, iid);
    return failure;
}
