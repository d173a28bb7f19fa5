#include "page_bytes.h"

#include <climits>
#include <cstring>
#include <new>

#include "com_safearray.h"
#include "log.h"
#include "text_units.h"

bool EncodeWithCodePage(uint32_t code_page, std::u16string_view text, std::vector<uint8_t>& bytes) {
    bytes.clear();
    // The system refuses an empty text whatever the code page: one space checks the code page
    // the way a page's conversion would.
    const bool probe = text.empty();
    const std::wstring wide = probe ? std::wstring(L" ") : ToWide(text);
    if (wide.size() > INT_MAX)
        return false;
    const int length = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return false;
    bytes.resize(static_cast<size_t>(size));
    const int written =
        WideCharToMultiByte(code_page, 0, wide.data(), length,
                            reinterpret_cast<char*>(bytes.data()), size, nullptr, nullptr);
    if (written != size) {
        bytes.clear();
        return false;
    }
    if (probe)
        bytes.clear();
    return true;
}

HRESULT ConvertPageBytes(const wchar_t* text, UINT length, const PageConversion& settings,
                         std::vector<uint8_t>* bytes) noexcept {
    if (!bytes)
        return E_POINTER;
    bytes->clear();
    if (settings.unix_eol)
        LogInfo(L'C', L"CQLX::Item: Process Unix EOL");
    if (settings.charset != kCharsetUtf16)
        LogInfo(L'C', L"CQLX::Item: Converting to ANSI");
    try {
        const std::u16string page = ToU16(text, text ? length : 0);
        if (!ConvertPage(page, settings, EncodeWithCodePage, *bytes)) {
            LogErrorNum(L'C', L"CQLX::Item cannot convert the page to code page", settings.charset);
            return E_FAIL;
        }
    } catch (const std::bad_alloc&) {
        bytes->clear();
        LogError(L'C', L"CQLX::Item out of memory");
        return E_OUTOFMEMORY;
    }
    // ItemSize reports the size as a long.
    if (bytes->size() > LONG_MAX) {
        bytes->clear();
        LogError(L'C', L"CQLX::Item page too large");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT ConvertPageArray(const wchar_t* text, UINT length, const PageConversion& settings,
                         SAFEARRAY** array) noexcept {
    if (!array)
        return E_POINTER;
    *array = nullptr;
    std::vector<uint8_t> bytes;
    const HRESULT hr = ConvertPageBytes(text, length, settings, &bytes);
    if (FAILED(hr))
        return hr;
    ComSafeArray result;
    if (!result.Create(VT_UI1, static_cast<ULONG>(bytes.size()))) {
        LogError(L'C', L"Error creating safearray");
        return E_FAIL;
    }
    if (!bytes.empty()) {
        SafeArrayAccess access(result.Get());
        if (!access) {
            LogError(L'C', L"Error creating safearray");
            return E_FAIL;
        }
        memcpy(access.Data(), bytes.data(), bytes.size());
    }
    *array = result.Detach();
    return S_OK;
}
