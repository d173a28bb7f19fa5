// The floor of the end-to-end benchmark: a local server whose capture calls do nothing, so a
// client calling it measures the bare cost of a cross-process call of the intake's shape.
//
//   qlx_bench_floor /RegServer | /UnregServer    (the class, for both registry views)
//   qlx_bench_floor -Embedding                   (started by COM; ends with its last client)
#include <windows.h>

#include <cwchar>

#include "class_factory.h"
#include "com_object.h"
#include "module_lock.h"
#include "qlx_core.h"
#include "registration.h"

namespace {

// {6C1D5E0B-3A2F-4C7E-9B8A-1F0E2D3C4B5A}
const CLSID kFloorClsid = {
    0x6c1d5e0b, 0x3a2f, 0x4c7e, {0x9b, 0x8a, 0x1f, 0x0e, 0x2d, 0x3c, 0x4b, 0x5a}};

class FloorCore : public ObjectBase, public IQLX_INT {
public:
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<FloorCore, IQLX_INT>(IID_IQLX_INT)};
        return table;
    }
    HRESULT STDMETHODCALLTYPE int_StartJob(BSTR, BSTR, long, long, BSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE int_StartPage(long, long) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE int_Add(long, long, long, long, BSTR, BSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE int_EndJob() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE int_AddRemovePrinter() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE int_DefaultPrinterChanged(BSTR) override { return S_OK; }
};

ComClassRegistration Registration(const wchar_t* program) {
    return {&kFloorClsid,
            L"Lettrix benchmark floor",
            nullptr,
            nullptr,
            ServerKind::kLocalServer,
            program,
            nullptr,
            nullptr,
            nullptr,
            nullptr};
}

int Register(bool add) {
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const ComClassRegistration entry = Registration(program);
    for (RegistryView view : {RegistryView::k32, RegistryView::k64}) {
        const HRESULT hr = add ? RegisterComClass(entry, view) : UnregisterComClass(entry, view);
        if (FAILED(hr))
            return 1;
    }
    return 0;
}

// A server that no client ever reaches still ends.
constexpr DWORD kLongestLifeMs = 10 * 60 * 1000;

void OnLastRelease(void* ended) {
    SetEvent(static_cast<HANDLE>(ended));
}

int Serve() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 1;
    int code = 1;
    HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (ended) {
        ModuleLock::SetZeroHandler(OnLastRelease, ended);
        ClassFactory<FloorCore> factory;
        ClassObjectRegistration registration;
        if (SUCCEEDED(registration.Register(kFloorClsid, &factory))) {
            WaitForSingleObject(ended, kLongestLifeMs);
            code = 0;
        }
        registration.Revoke();
        ModuleLock::SetZeroHandler(nullptr, nullptr);
        CloseHandle(ended);
    }
    CoUninitialize();
    return code;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && (!wcscmp(argv[1], L"/RegServer") || !wcscmp(argv[1], L"-RegServer")))
        return Register(true);
    if (argc > 1 && (!wcscmp(argv[1], L"/UnregServer") || !wcscmp(argv[1], L"-UnregServer")))
        return Register(false);
    return Serve();
}
