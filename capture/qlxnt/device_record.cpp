#include "device_record.h"

#include <stddef.h>

#include <new>

#include "captured_document.h"

DeviceRecord::~DeviceRecord() {
    signature_ = 0;
}

DeviceRecord* DeviceRecord::Create(const wchar_t* printer, ULONG gdi_info_size,
                                   const GDIINFO* gdi_info, const DRVENABLEDATA* unidrv) {
    DeviceRecord* record = new (std::nothrow) DeviceRecord;
    if (!record)
        return nullptr;
    try {
        if (printer)
            record->printer_ = printer;
    } catch (const std::bad_alloc&) {
        delete record;
        return nullptr;
    }
    if (gdi_info && gdi_info_size >= offsetof(GDIINFO, ulLogPixelsY) + sizeof(ULONG))
        record->gdi_resolution_ = gdi_info->ulLogPixelsY;
    if (unidrv && unidrv->pdrvfn) {
        for (ULONG i = 0; i < unidrv->c; ++i) {
            for (size_t h = 0; h < kHookCount; ++h) {
                if (unidrv->pdrvfn[i].iFunc == kHookTable[h].iFunc)
                    record->unidrv_hooks_[h] = unidrv->pdrvfn[i].pfn;
            }
        }
    }
    return record;
}

void DeviceRecord::Destroy(DeviceRecord* record) {
    if (!record)
        return;
    if (std::unique_ptr<CapturedDocument> document = record->TakeDocument())
        document->End(EndKind::kAborted);
    delete record;
}

void DeviceRecord::MoveDocument(DeviceRecord* from, DeviceRecord* to) {
    if (!from || !to || from == to || to->Document())
        return;
    to->SetDocument(from->TakeDocument());
}

DeviceRecord* DeviceRecord::FromDevObj(const DEVOBJ* devobj) {
    if (!devobj || !devobj->pdevOEM)
        return nullptr;
    auto* record = static_cast<DeviceRecord*>(devobj->pdevOEM);
    return record->signature_ == kSignature ? record : nullptr;
}

DeviceRecord* DeviceRecord::FromSurface(const SURFOBJ* surface) {
    return surface ? FromDevObj(reinterpret_cast<const DEVOBJ*>(surface->dhpdev)) : nullptr;
}

void DeviceRecord::SetDocument(std::unique_ptr<CapturedDocument> document) {
    document_ = std::move(document);
}

std::unique_ptr<CapturedDocument> DeviceRecord::TakeDocument() {
    return std::move(document_);
}
