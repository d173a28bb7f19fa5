#include "hooks.h"

#include <new>

#include "captured_document.h"
#include "device_record.h"
#include "log.h"
#include "module_ids.h"

namespace {

// Runs a hook's body with nothing thrown out of it.
template <class Body> void Guarded(const wchar_t* hook, Body&& body) noexcept {
    try {
        body();
    } catch (const std::bad_alloc&) {
        LogErrorStr(kLogSource, L"Out of memory in", hook);
    } catch (...) {
        LogErrorStr(kLogSource, L"Unexpected failure in", hook);
    }
}

} // namespace

const DRVFN kHookTable[kHookCount] = {
    {INDEX_DrvStartDoc, ToPfn(&OEMStartDoc)},
    {INDEX_DrvEndDoc, ToPfn(&OEMEndDoc)},
    {INDEX_DrvStartPage, ToPfn(&OEMStartPage)},
    {INDEX_DrvTextOut, ToPfn(&OEMTextOut)},
};

BOOL APIENTRY OEMStartDoc(SURFOBJ* pso, PWSTR pwszDocName, DWORD dwJobId) {
    Guarded(L"StartDoc", [&] {
        DeviceRecord* device = DeviceRecord::FromSurface(pso);
        // A second start before the end is ignored.
        if (!device || device->Document())
            return;
        const auto* devobj = reinterpret_cast<const DEVOBJ*>(pso->dhpdev);
        device->SetDocument(CapturedDocument::Start(*device, devobj, pwszDocName, dwJobId));
    });
    return TRUE;
}

BOOL APIENTRY OEMEndDoc(SURFOBJ* pso, FLONG fl) {
    Guarded(L"EndDoc", [&] {
        DeviceRecord* device = DeviceRecord::FromSurface(pso);
        if (!device)
            return;
        if (std::unique_ptr<CapturedDocument> document = device->TakeDocument())
            document->End(fl & ED_ABORTDOC ? EndKind::kAborted : EndKind::kComplete);
    });
    return TRUE;
}

BOOL APIENTRY OEMStartPage(SURFOBJ* pso) {
    Guarded(L"StartPage", [&] {
        DeviceRecord* device = DeviceRecord::FromSurface(pso);
        if (device && device->Document())
            device->Document()->StartPage(pso->sizlBitmap.cx, pso->sizlBitmap.cy);
    });
    return TRUE;
}

BOOL APIENTRY OEMTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ*, RECTL*, RECTL*,
                         BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) {
    Guarded(L"TextOut", [&] {
        DeviceRecord* device = DeviceRecord::FromSurface(pso);
        if (device && device->Document() && pstro)
            device->Document()->TextOut(*pstro, pfo);
    });
    return TRUE;
}
