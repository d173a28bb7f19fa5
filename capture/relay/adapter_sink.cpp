#include "adapter_sink.h"

#include <string>

#include "core_adapter.h"
#include "log.h"

namespace {

// char16_t and WCHAR are both UTF-16 code units: the copy only changes the type.
std::wstring Wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace

void AdapterSink::Note(const wchar_t* call, HRESULT hr) {
    if (SUCCEEDED(hr) || FAILED(first_failure_))
        return;
    first_failure_ = hr;
    LogErrorNum(L'O', call, hr);
}

void AdapterSink::StartJob(const StartDocFields& doc) {
    LogInfo(L'O', L"QLXSTUB::Start");
    const HRESULT hr = DriverStartJob(Wide(doc.printer).c_str(), Wide(doc.datatype).c_str(),
                                      doc.job_id, doc.dpi, Wide(doc.document).c_str());
    if (!AdapterBound())
        no_core_ = true;
    else
        Note(L"QLXSTUB::int_StartJob failed", hr);
}

void AdapterSink::StartPage(const StartPageFields& page) {
    LogInfo(L'O', L"QLXSTUB::Start page");
    Note(L"QLXSTUB::int_StartPage failed", DriverStartPage(page.width, page.height));
}

void AdapterSink::AddItem(const TextItemFields& item) {
    Note(L"QLXSTUB::int_Add failed", DriverAdd(item.x0, item.y0, item.x1, item.y1,
                                               Wide(item.text).c_str(), Wide(item.face).c_str()));
}

void AdapterSink::EndJob() {
    LogInfo(L'O', L"QLXSTUB::End");
    const bool bound = AdapterBound();
    const HRESULT hr = DriverEndJob();
    if (bound)
        Note(L"QLXSTUB::int_EndJob failed", hr);
}
