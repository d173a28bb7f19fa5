#include "captured_document.h"

#include "device_record.h"
#include "engine_text_call.h"
#include "glyph_map_builder.h"
#include "job_information.h"
#include "log.h"
#include "module_ids.h"
#include "module_state.h"

namespace {

const wchar_t* const kResetEvents[] = {L"QLX_Separator_Event", L"QLX_RAWJob_Event"};

std::u16string ToU16(const std::wstring& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

std::u16string ToU16(const wchar_t* text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

// The device mode's vertical resolution, or what Unidrv reported at enable when the device
// mode names none.
int32_t JobResolution(const DeviceRecord& device, const DEVOBJ* devobj) {
    const DEVMODEW* mode = devobj ? devobj->pPublicDM : nullptr;
    if (mode && mode->dmSize > offsetof(DEVMODEW, dmYResolution) &&
        (mode->dmFields & DM_YRESOLUTION) && mode->dmYResolution > 0)
        return mode->dmYResolution;
    return static_cast<int32_t>(device.GdiResolution());
}

void ResetNamedEvents() {
    for (const wchar_t* name : kResetEvents) {
        if (HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name)) {
            ResetEvent(event);
            CloseHandle(event);
        }
    }
}

} // namespace

std::unique_ptr<CapturedDocument> CapturedDocument::Start(const DeviceRecord& device,
                                                          const DEVOBJ* devobj,
                                                          const wchar_t* document_name,
                                                          DWORD job_id) {
    std::unique_ptr<CapturedDocument> document(new CapturedDocument);
    document->Open(device, devobj, document_name, job_id);
    return document;
}

void CapturedDocument::Open(const DeviceRecord& device, const DEVOBJ* devobj,
                            const wchar_t* document_name, DWORD job_id) {
    JobInformation job;
    DWORD error = 0;
    const JobInformationResult read = ReadJobInformation(job_id, &job, &error);
    if (read == JobInformationResult::kNoPrintServer) {
        LogErrorNum(kLogSource, L"StartDoc::OpenPrinter", static_cast<long>(error));
        return;
    }
    LogInfoNum(kLogSource, L"StartDoc JobID:", static_cast<long>(job_id));
    if (read == JobInformationResult::kRead) {
        printer_ = job.printer;
        StartDocFields start;
        start.printer = ToU16(job.printer);
        start.datatype = ToU16(job.datatype);
        start.job_id = static_cast<int32_t>(job_id);
        start.dpi = JobResolution(device, devobj);
        start.document = ToU16(document_name);
        if (start.dpi <= 0)
            LogWarn(kLogSource, L"StartDoc: the device reports no resolution");
        output_ = OpenDocumentOutput(start);
    } else {
        LogErrorNum(kLogSource, L"StartDoc::GetJob", static_cast<long>(error));
    }
    ResetNamedEvents();
}

CapturedDocument::~CapturedDocument() {
    if (!ended_)
        End(EndKind::kAborted);
}

void CapturedDocument::StartPage(LONG width, LONG height) {
    LogInfo(kLogSource, L"StartPage");
    if (output_)
        output_->StartPage(width, height);
}

void CapturedDocument::TextOut(STROBJ& string, FONTOBJ* font) {
    if (!output_ || string.cGlyphs == 0)
        return;
    EngineTextCall call(string, font);
    if (!call.HasFont())
        return;
    const char16_t* table = nullptr;
    if (call.GlyphIndices()) {
        table = GlyphMap(call.Face(), call.Charset(), font);
        if (!table)
            return;
    }
    const std::vector<ExtractedItem> items =
        ExtractItems(call.Describe(table), Module::SplitThreshold());
    for (const ExtractedItem& item : items)
        output_->AddItem(item, call.Face());
}

const char16_t* CapturedDocument::GlyphMap(const std::u16string& face, BYTE charset,
                                           FONTOBJ* font) {
    GlyphMapCache& cache = Module::GlyphMaps();
    if (const char16_t* table = cache.Find(face, charset))
        return table;
    for (const GlyphMapKey& failed : failed_maps_) {
        if (failed.Matches(face, charset))
            return nullptr;
    }
    GlyphTable built = BuildGlyphMap(PrinterDc(), face, charset, FONTOBJ_pfdg(font));
    const char16_t* table = built ? cache.Add(face, charset, std::move(built)) : nullptr;
    if (!table) {
        LogWarnStr(kLogSource, L"TextOut: no glyph map for",
                   reinterpret_cast<const wchar_t*>(face.c_str()));
        failed_maps_.push_back({face, charset});
    }
    return table;
}

HDC CapturedDocument::PrinterDc() {
    if (!printer_dc_ && !printer_dc_failed_) {
        printer_dc_ = CreateDCW(L"WINSPOOL", printer_.c_str(), nullptr, nullptr);
        printer_dc_failed_ = printer_dc_ == nullptr;
        if (printer_dc_failed_)
            LogErrorNum(kLogSource, L"TextOut::CreateDC", static_cast<long>(GetLastError()));
    }
    return printer_dc_;
}

void CapturedDocument::End(EndKind kind) {
    if (ended_)
        return;
    ended_ = true;
    LogInfo(kLogSource, kind == EndKind::kAborted ? L"EndDoc aborted" : L"EndDoc");
    if (output_) {
        output_->End(kind);
        output_.reset();
    }
    if (printer_dc_) {
        DeleteDC(printer_dc_);
        printer_dc_ = nullptr;
    }
}
