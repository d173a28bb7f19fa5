#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "hooks.h"
#include "oem_plugin.h"

class CapturedDocument;

// The module's record of one device (its OEM PDEV): what Unidrv offered for the hooked
// calls, the resolution Unidrv reported, and the document being captured on it. Documents of
// two devices in one spooler process never share state.
class DeviceRecord {
public:
    ~DeviceRecord();
    DeviceRecord(const DeviceRecord&) = delete;
    DeviceRecord& operator=(const DeviceRecord&) = delete;

    // Null when out of memory.
    static DeviceRecord* Create(const wchar_t* printer, ULONG gdi_info_size,
                                const GDIINFO* gdi_info, const DRVENABLEDATA* unidrv);
    // Ends a document still open as aborted, then frees the record.
    static void Destroy(DeviceRecord* record);
    // A reset device takes over the document of the one it replaces.
    static void MoveDocument(DeviceRecord* from, DeviceRecord* to);

    // The record behind a device object or a hooked call's surface; null when there is none
    // or it is not one of the module's.
    static DeviceRecord* FromDevObj(const DEVOBJ* devobj);
    static DeviceRecord* FromSurface(const SURFOBJ* surface);

    // Unidrv's own function for the hook at index in the hook table, or null.
    PFN UnidrvHook(size_t index) const {
        return index < kHookCount ? unidrv_hooks_[index] : nullptr;
    }
    // The vertical resolution Unidrv reported at enable; 0 when it reported none.
    ULONG GdiResolution() const { return gdi_resolution_; }
    const std::wstring& Printer() const { return printer_; }

    CapturedDocument* Document() const { return document_.get(); }
    void SetDocument(std::unique_ptr<CapturedDocument> document);
    std::unique_ptr<CapturedDocument> TakeDocument();

private:
    static constexpr DWORD kSignature = 0x51445652; // 'QDVR'

    DeviceRecord() = default;

    DWORD signature_ = kSignature;
    PFN unidrv_hooks_[kHookCount] = {};
    ULONG gdi_resolution_ = 0;
    std::wstring printer_;
    std::unique_ptr<CapturedDocument> document_;
};
