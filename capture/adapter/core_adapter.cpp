#include "core_adapter.h"

#include "com_bstr.h"
#include "com_ptr.h"
#include "log.h"
#include "qlx_core.h"

namespace {

struct Adapter {
    ComPtr<IQLX_INT> core;
    // COM was entered by the adapter on this thread, and must be left there.
    bool entered = false;
    DWORD thread = 0;
    // Why the last start_adapter did not bind.
    HRESULT bind_error = S_OK;
};

Adapter g_adapter;

void EnterCom() {
    if (g_adapter.entered)
        return;
    // A thread in a multithreaded apartment already (RPC_E_CHANGED_MODE) stays there, and
    // the adapter has nothing to leave.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) {
        g_adapter.entered = true;
        g_adapter.thread = GetCurrentThreadId();
    }
}

void LeaveCom() {
    if (!g_adapter.entered)
        return;
    if (g_adapter.thread != GetCurrentThreadId()) {
        LogWarn(L'A', L"CoreAdapter: COM was entered on another thread, not left here");
        return;
    }
    g_adapter.entered = false;
    CoUninitialize();
}

// A BSTR copy; false when the copy could not be made.
bool Copy(const wchar_t* text, ComBstr& copy) {
    if (!text)
        return true;
    copy.Attach(SysAllocString(text));
    return copy.Get() != nullptr;
}

} // namespace

int start_adapter() {
    g_adapter.core.Release();
    EnterCom();
    g_adapter.bind_error = CoCreateInstance(CLSID_QLX, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX_INT,
                                            g_adapter.core.AsVoidOut());
    if (FAILED(g_adapter.bind_error)) {
        g_adapter.core.Release();
        LogErrorNum(L'A', L"start_adapter QLX Core Spawning error", g_adapter.bind_error);
        return -1;
    }
    return 0;
}

bool AdapterBound() {
    return static_cast<bool>(g_adapter.core);
}

HRESULT DriverStartJob(const wchar_t* printer_name, const wchar_t* datatype, long job_id, long dpi,
                       const wchar_t* document_name) {
    start_adapter();
    if (!AdapterBound()) {
        LogError(L'A', L"DriverStartJob cannot start Core");
        return FAILED(g_adapter.bind_error) ? g_adapter.bind_error : E_FAIL;
    }
    ComBstr printer, type, document;
    if (!Copy(printer_name, printer) || !Copy(datatype, type) || !Copy(document_name, document))
        return E_OUTOFMEMORY;
    return g_adapter.core->int_StartJob(printer, type, job_id, dpi, document);
}

HRESULT DriverStartPage(long width, long height) {
    if (!AdapterBound())
        return S_FALSE;
    return g_adapter.core->int_StartPage(width, height);
}

HRESULT DriverAdd(long x0, long y0, long x1, long y1, const wchar_t* text, const wchar_t* face) {
    if (!AdapterBound())
        return S_FALSE;
    ComBstr textCopy, faceCopy;
    if (!Copy(text, textCopy) || !Copy(face, faceCopy))
        return E_OUTOFMEMORY;
    return g_adapter.core->int_Add(x0, y0, x1, y1, textCopy, faceCopy);
}

HRESULT DriverEndJob() {
    HRESULT hr = S_FALSE;
    if (AdapterBound()) {
        hr = g_adapter.core->int_EndJob();
        g_adapter.core.Release();
    }
    LeaveCom();
    return hr;
}

void stop_adapter() {
    g_adapter.core.Release();
    LeaveCom();
}
