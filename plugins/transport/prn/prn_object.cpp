#include "prn_object.h"

#include <algorithm>

#include "com_bstr.h"
#include "driver_settings.h"
#include "font_tables.h"
#include "printer_query.h"

namespace {

const PluginDescriptor kDescriptor = {
    L"Printer", L"Bprinter,Bfont,Lcharset,Lweight,Lheight,Litalic,Lstrikeout,Lunderline,Asettings",
    nullptr, nullptr, 103};

const ParamRow<PrnParams> kParams[] = {
    StringParam(L"printer", &PrnParams::printer),   StringParam(L"font", &PrnParams::font),
    LongParam(L"charset", &PrnParams::charset),     LongParam(L"weight", &PrnParams::weight),
    LongParam(L"height", &PrnParams::height),       LongParam(L"italic", &PrnParams::italic),
    LongParam(L"strikeout", &PrnParams::strikeout), LongParam(L"underline", &PrnParams::underline),
    BytesParam(L"settings", &PrnParams::settings),
};

const PageControl kPage[] = {
    {PageControlKind::kLabel, L"Printer", -1, {5, 5, 75, 25}, nullptr},
    {PageControlKind::kCombo, L"Printer", kPrinterListId, {5, 25, 285, 205}, nullptr},
    {PageControlKind::kButton, L"Settings...", kSettingsButtonId, {45, 55, 125, 75}, nullptr},
    {PageControlKind::kButton, L"Use default", kUseDefaultButtonId, {165, 55, 245, 75}, nullptr},
    {PageControlKind::kLabel, L"Font", -1, {5, 85, 75, 105}, nullptr},
    {PageControlKind::kCombo, L"Font", kFontListId, {5, 105, 285, 285}, nullptr},
    {PageControlKind::kLabel, L"Charset", -1, {5, 135, 75, 155}, nullptr},
    {PageControlKind::kCombo, L"Charset", kCharsetListId, {5, 155, 285, 335}, nullptr},
    {PageControlKind::kLabel, L"Weight", -1, {5, 185, 75, 205}, nullptr},
    {PageControlKind::kCombo, L"Weight", kWeightListId, {5, 205, 195, 355}, nullptr},
    {PageControlKind::kLabel, L"Height", -1, {205, 185, 285, 205}, nullptr},
    {PageControlKind::kCombo, L"Height", kHeightListId, {205, 205, 285, 355}, nullptr},
    {PageControlKind::kCheckBox, L"Strikeout", kStrikeoutBoxId, {5, 240, 95, 260}, nullptr},
    {PageControlKind::kCheckBox, L"Underline", kUnderlineBoxId, {105, 240, 195, 260}, nullptr},
    {PageControlKind::kCheckBox, L"Italic", kItalicBoxId, {205, 240, 285, 260}, nullptr},
};

bool IsDefault(const std::wstring& choice) {
    return choice == kDefaultChoice;
}

template <class T> bool Holds(const std::vector<T>& list, const T& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool HoldsCharset(const std::vector<CharsetChoice>& charsets, long value) {
    return std::any_of(charsets.begin(), charsets.end(),
                       [value](const CharsetChoice& choice) { return choice.value == value; });
}

long Unchanged(long value) {
    return value;
}

} // namespace

CXFER_PrnObject::CXFER_PrnObject()
    : CTransportPlugin(kPrnTransportClsid, kDescriptor, Rows(kParams), Rows(kPage)) {}

HRESULT CXFER_PrnObject::FinalConstruct() {
    RETURN_IF_FAILED(InitDescriptor());
    RETURN_IF_FAILED(ResetParams());
    return GuardedCall([&] {
        CriticalSectionLock hold(listsLock_);
        ReadPrinters();
        return S_OK;
    });
}

// The lists -----------------------------------------------------------------------------------

void CXFER_PrnObject::ReadPrinters() {
    printers_ = ListPrinters();
    ReadDefaultPrinter();
}

void CXFER_PrnObject::ReadDefaultPrinter() {
    defaultPrinter_ = QueryDefaultPrinter();
}

std::wstring CXFER_PrnObject::ListDevice(const std::wstring& printer) {
    if (!IsDefault(printer))
        return printer;
    // A reset forgets the name; the lists still need the printer it stands for.
    if (defaultPrinter_.empty())
        ReadDefaultPrinter();
    return defaultPrinter_;
}

void CXFER_PrnObject::CheckPrinter() {
    ChangeParams([&](PrnParams& params) {
        if (params.printer.empty() ||
            (!IsDefault(params.printer) && !Holds(printers_, params.printer)))
            params.printer = kDefaultChoice;
    });
}

void CXFER_PrnObject::ReadFonts() {
    const std::wstring printer = CopyParams().printer;
    fonts_.clear();
    if (!printers_.empty())
        fonts_ = ListFontFaces(ListDevice(printer));
    ChangeParams([&](PrnParams& params) {
        if (params.font.empty() || (!IsDefault(params.font) && !Holds(fonts_, params.font)))
            params.font = kDefaultChoice;
    });
    ReadCharsets();
}

void CXFER_PrnObject::ReadCharsets() {
    const PrnParams params = CopyParams();
    charsets_.clear();
    // No charset check for the printer's own font: the value is not used then, and it stays.
    if (IsDefault(params.font))
        return;
    charsets_.push_back({L"<<Default>>", DEFAULT_CHARSET});
    if (!printers_.empty()) {
        for (CharsetChoice& choice : ListFontCharsets(ListDevice(params.printer), params.font)) {
            if (!HoldsCharset(charsets_, choice.value))
                charsets_.push_back(std::move(choice));
        }
    }
    ChangeParams([&](PrnParams& values) {
        if (values.charset != DEFAULT_CHARSET && !HoldsCharset(charsets_, values.charset))
            values.charset = DEFAULT_CHARSET;
    });
}

CXFER_PrnObject::View CXFER_PrnObject::TakeView() {
    return View{CopyParams(), defaultPrinter_, printers_, fonts_, charsets_};
}

// Parameter methods ---------------------------------------------------------------------------

HRESULT CXFER_PrnObject::OnParamsReset() {
    CriticalSectionLock hold(listsLock_);
    defaultPrinter_.clear();
    return S_OK;
}

HRESULT CXFER_PrnObject::OnShowParams() {
    View view;
    {
        CriticalSectionLock hold(listsLock_);
        CheckPrinter();
        ReadFonts();
        ChangeParams([](PrnParams& params) {
            params.weight = font_tables::ListedWeight(params.weight);
            params.height = font_tables::ListedHeight(params.height);
        });
        view = TakeView();
    }
    RunOnPage([&] { ShowAll(view); });
    return S_OK;
}

HRESULT CXFER_PrnObject::OnPrintersChanged(long reason) {
    if (reason == 1) {
        View view;
        {
            CriticalSectionLock hold(listsLock_);
            ReadDefaultPrinter();
            view = TakeView();
        }
        RunOnPage([&] { ReplaceDefaultEntry(view); });
        return S_OK;
    }
    if (reason != 2)
        return S_OK;
    {
        CriticalSectionLock hold(listsLock_);
        ReadPrinters();
    }
    RETURN_IF_FAILED(OnShowParams());
    // The page lists the printers there are now, not those it was made with.
    View view;
    {
        CriticalSectionLock hold(listsLock_);
        view = TakeView();
    }
    RunOnPage([&] { FillPrinterList(view); });
    return S_OK;
}

STDMETHODIMP CXFER_PrnObject::PutParamUI(BSTR name, VARIANT value) {
    return GuardedCall([&]() -> HRESULT {
        if (NameIs(name, L"printer"))
            return PutPrinterUI(value);
        if (NameIs(name, L"font"))
            return PutFontUI(value);
        if (NameIs(name, L"charset"))
            return PutLongUI(&PrnParams::charset, value, Unchanged);
        if (NameIs(name, L"weight"))
            return PutLongUI(&PrnParams::weight, value, font_tables::ListedWeight);
        if (NameIs(name, L"height"))
            return PutLongUI(&PrnParams::height, value, font_tables::ListedHeight);
        if (NameIs(name, L"italic"))
            return PutLongUI(&PrnParams::italic, value, Unchanged);
        if (NameIs(name, L"strikeout"))
            return PutLongUI(&PrnParams::strikeout, value, Unchanged);
        if (NameIs(name, L"underline"))
            return PutLongUI(&PrnParams::underline, value, Unchanged);
        if (NameIs(name, L"settings"))
            return PutSettingsUI(value);
        return E_FAIL;
    });
}

HRESULT CXFER_PrnObject::PutPrinterUI(const VARIANT& value) {
    std::wstring printer;
    RETURN_IF_FAILED(StringFromVariant(value, &printer));
    View view;
    {
        CriticalSectionLock hold(listsLock_);
        if (printer.empty() || printer.find(kDefaultChoice) != std::wstring::npos ||
            !Holds(printers_, printer))
            printer = kDefaultChoice;
        ChangeParams([&](PrnParams& params) { params.printer = printer; });
        ReadFonts();
        view = TakeView();
    }
    RunOnPage([&] {
        SelectPrinter(view);
        FillFontList(view);
    });
    return S_OK;
}

HRESULT CXFER_PrnObject::PutFontUI(const VARIANT& value) {
    std::wstring font;
    RETURN_IF_FAILED(StringFromVariant(value, &font));
    View view;
    {
        CriticalSectionLock hold(listsLock_);
        if (font.empty() || (!IsDefault(font) && !Holds(fonts_, font)))
            font = kDefaultChoice;
        ChangeParams([&](PrnParams& params) { params.font = font; });
        ReadCharsets();
        view = TakeView();
    }
    RunOnPage([&] { SelectFont(view); });
    return S_OK;
}

HRESULT CXFER_PrnObject::PutLongUI(long PrnParams::*member, const VARIANT& value,
                                   long (*correct)(long)) {
    long number = 0;
    RETURN_IF_FAILED(LongFromVariant(value, &number));
    View view;
    {
        CriticalSectionLock hold(listsLock_);
        number = correct(number);
        // A charset the font's list does not offer is its default; with the printer's own font
        // there is no list and the value stays.
        if (member == &PrnParams::charset && !charsets_.empty() && !HoldsCharset(charsets_, number))
            number = DEFAULT_CHARSET;
        ChangeParams([&](PrnParams& params) { params.*member = number; });
        view = TakeView();
    }
    RunOnPage([&] {
        if (member == &PrnParams::charset)
            FillCharsetList(view);
        else if (member == &PrnParams::weight || member == &PrnParams::height)
            FillTables(view);
        else
            ShowStyles(view);
    });
    return S_OK;
}

HRESULT CXFER_PrnObject::PutSettingsUI(const VARIANT& value) {
    std::vector<unsigned char> settings;
    RETURN_IF_FAILED(BytesFromVariant(value, &settings));
    ChangeParams([&](PrnParams& params) { params.settings = std::move(settings); });
    View view;
    {
        CriticalSectionLock hold(listsLock_);
        view = TakeView();
    }
    RunOnPage([&] { EnableUseDefault(view); });
    return S_OK;
}

// The job -------------------------------------------------------------------------------------

HRESULT CXFER_PrnObject::FailJob(const std::wstring& message) {
    FireLastError(message.c_str());
    return E_FAIL;
}

HRESULT CXFER_PrnObject::OnStartJob() {
    // A save that was cancelled after StartJob never called EndJob: its document goes now.
    job_.reset();
    const PrnParams params = CopyParams();
    // "Default" is the system's default printer at the time of printing, whatever a reset or a
    // late change notice left remembered. Unchecked values may be empty: that means "Default"
    // as everywhere else.
    const bool defaultPrinter = params.printer.empty() || IsDefault(params.printer);
    const std::wstring device = defaultPrinter ? QueryDefaultPrinter() : params.printer;
    if (device.empty())
        return FailJob(L"Cannot initialize printer " + std::wstring(kDefaultChoice));
    // The product's own printer would bring the job back as a new one, for ever with autosave.
    if (IsOwnPrinter(device.c_str()))
        return FailJob(L"Cannot print on the virtual printer " + device);

    auto job = std::make_unique<PrintJob>(device);
    std::vector<unsigned char> settings = SettingsForDevice(params.settings, device);
    if (!job->CreateContext(AsDevMode(settings)))
        return FailJob(L"Cannot initialize printer " + device);
    if (!job->InstallAbortProc())
        return FailJob(L"Cannot set AbortProc");
    job->UseTextMapping();
    if (!params.font.empty() && !IsDefault(params.font)) {
        JobFont font{params.font,   params.charset,   params.weight,   params.height,
                     params.italic, params.strikeout, params.underline};
        if (!job->SelectFont(font))
            FireLastError(L"CreateFontError");
    }
    if (!job->StartDocument())
        return FailJob(L"Cannot start printing on " + device);
    job_ = std::move(job);
    return S_OK;
}

HRESULT CXFER_PrnObject::OnSend(IRenderedCollection* pages, long wholeJob, long page) {
    const wchar_t* name = Name().c_str();
    Fire_OnProgress(name, 0);
    long first = page - 1;
    long count = 1;
    HRESULT result = S_OK;
    if (!pages) {
        result = E_POINTER;
        count = 0;
    } else if (wholeJob) {
        first = 0;
        if (FAILED(pages->Count(&count))) {
            result = E_FAIL;
            count = 0;
        }
    }
    if (FAILED(result))
        FireLastError(L"GetPage");
    long reported = 0;
    for (long i = first; SUCCEEDED(result) && i < first + count; ++i) {
        ComBstr text;
        if (FAILED(pages->GetItem(i, &text))) {
            FireLastError(L"GetPage");
            result = E_FAIL;
            break;
        }
        const PrintJob::PageFailure failure =
            job_ ? job_->PrintPage(text.c_str(), static_cast<int>(text.Length()))
                 : PrintJob::PageFailure::kStartPage;
        if (failure != PrintJob::PageFailure::kNone) {
            FireLastError(failure == PrintJob::PageFailure::kStartPage
                              ? L"Cannot start new print page"
                              : L"Cannot end print page");
            result = E_FAIL;
            break;
        }
        const long percent = static_cast<long>((i - first) * 100LL / count);
        if (percent > reported) {
            reported = percent;
            Fire_OnProgress(name, percent);
        }
    }
    // What failed is not printed in part: the document is aborted, so EndJob finds none.
    if (FAILED(result))
        job_.reset();
    Fire_OnProgress(name, 100);
    return FAILED(result) ? E_FAIL : S_OK;
}

HRESULT CXFER_PrnObject::OnEndJob() {
    if (!job_)
        return S_OK;
    const std::unique_ptr<PrintJob> job = std::move(job_);
    if (!job->EndDocument())
        return FailJob(L"Cannot end printing on " + job->Device());
    return S_OK;
}
