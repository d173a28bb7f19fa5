// The printer transport's settings page: its lists filled from the object's, its handlers and
// the driver's own settings dialog. Everything here runs on the page's thread.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <utility>

#include "color_box.h"
#include "color_combo.h"
#include "com_variant.h"
#include "driver_settings.h"
#include "font_tables.h"
#include "printer_handle.h"
#include "prn_object.h"

namespace {

const wchar_t* Wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

bool IsDefault(const std::wstring& choice) {
    return choice == kDefaultChoice;
}

// The first entry of a list that equals text exactly; -1 for none.
int ExactIndex(const std::vector<std::wstring>& list, const std::wstring& text) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == text)
            return static_cast<int>(i);
    }
    return -1;
}

std::wstring DefaultEntry(const std::wstring& defaultPrinter) {
    return L"Default (" + defaultPrinter + L")";
}

// The printer list's entry of a printer: 0 for "Default" and for one it does not show.
int PrinterEntry(const std::vector<std::wstring>& printers, const std::wstring& printer) {
    if (IsDefault(printer))
        return 0;
    return ExactIndex(printers, printer) + 1;
}

int FontEntry(const std::vector<std::wstring>& fonts, const std::wstring& font) {
    if (IsDefault(font))
        return 0;
    return ExactIndex(fonts, font) + 1;
}

} // namespace

void CXFER_PrnObject::OnPageCreated() noexcept {
    View view;
    try {
        CriticalSectionLock hold(listsLock_);
        view = TakeView();
    } catch (...) {
        return;
    }
    RunOnPage([&] {
        FillPrinterList(view);
        FillFontList(view);
        FillTables(view);
        ShowStyles(view);
        EnableUseDefault(view);
    });
}

void CXFER_PrnObject::FillPrinterList(const View& view) {
    auto* list = static_cast<CColorCombo*>(Control(kPrinterListId));
    if (!list)
        return;
    list->ResetContent();
    list->AddString(DefaultEntry(view.defaultPrinter).c_str());
    for (const std::wstring& printer : view.printers)
        list->AddString(printer.c_str());
    SelectPrinter(view);
}

void CXFER_PrnObject::ReplaceDefaultEntry(const View& view) {
    auto* list = static_cast<CColorCombo*>(Control(kPrinterListId));
    if (!list)
        return;
    const int selected = list->GetCurSel();
    list->DeleteString(0);
    list->InsertString(0, DefaultEntry(view.defaultPrinter).c_str());
    list->SetCurSel(selected);
}

void CXFER_PrnObject::SelectPrinter(const View& view) {
    if (auto* list = static_cast<CColorCombo*>(Control(kPrinterListId)))
        list->SetCurSel(PrinterEntry(view.printers, view.params.printer));
}

void CXFER_PrnObject::FillFontList(const View& view) {
    auto* list = static_cast<CColorCombo*>(Control(kFontListId));
    if (!list)
        return;
    list->ResetContent();
    list->AddString(L"<<Default>>");
    for (const std::wstring& font : view.fonts)
        list->AddString(font.c_str());
    SelectFont(view);
}

void CXFER_PrnObject::SelectFont(const View& view) {
    const int entry = FontEntry(view.fonts, view.params.font);
    if (auto* list = static_cast<CColorCombo*>(Control(kFontListId)))
        list->SetCurSel(entry);
    FillCharsetList(view);
    // The printer's own font has no character set, weight, height or style to choose.
    for (int id : {kCharsetListId, kWeightListId, kHeightListId, kStrikeoutBoxId, kUnderlineBoxId,
                   kItalicBoxId}) {
        if (CColorWindowControl* control = Control(id))
            control->Enable(entry != 0);
    }
}

void CXFER_PrnObject::FillCharsetList(const View& view) {
    auto* list = static_cast<CColorCombo*>(Control(kCharsetListId));
    if (!list)
        return;
    list->ResetContent();
    if (view.params.font.empty() || IsDefault(view.params.font))
        return;
    int selected = 0;
    for (size_t i = 0; i < view.charsets.size(); ++i) {
        list->AddString(view.charsets[i].name.c_str());
        if (view.charsets[i].value == view.params.charset && selected == 0)
            selected = static_cast<int>(i);
    }
    list->SetCurSel(selected);
}

void CXFER_PrnObject::FillTables(const View& view) {
    if (auto* weights = static_cast<CColorCombo*>(Control(kWeightListId))) {
        weights->ResetContent();
        for (size_t i = 0; i < font_tables::kWeightCount; ++i)
            weights->AddString(Wide(font_tables::kWeightNames[i]));
        weights->SetCurSel(std::max(font_tables::WeightIndex(view.params.weight), 0));
    }
    if (auto* heights = static_cast<CColorCombo*>(Control(kHeightListId))) {
        heights->ResetContent();
        for (long height : font_tables::kHeights)
            heights->AddString(std::to_wstring(height).c_str());
        heights->SetCurSel(std::max(font_tables::HeightIndex(view.params.height), 0));
    }
}

void CXFER_PrnObject::ShowStyles(const View& view) {
    const std::pair<int, long> boxes[] = {{kStrikeoutBoxId, view.params.strikeout},
                                          {kUnderlineBoxId, view.params.underline},
                                          {kItalicBoxId, view.params.italic}};
    for (const auto& [id, value] : boxes) {
        if (auto* box = static_cast<CColorBox*>(Control(id)))
            box->SetCheck(value ? BST_CHECKED : BST_UNCHECKED);
    }
}

void CXFER_PrnObject::EnableUseDefault(const View& view) {
    if (CColorWindowControl* button = Control(kUseDefaultButtonId))
        button->Enable(!view.params.settings.empty());
}

void CXFER_PrnObject::ShowAll(const View& view) {
    SelectPrinter(view);
    FillTables(view);
    ShowStyles(view);
    EnableUseDefault(view);
    FillFontList(view);
}

// Handlers ------------------------------------------------------------------------------------

bool CXFER_PrnObject::OnPageCommand(int id, int code) noexcept {
    const bool selection = code == CBN_SELCHANGE;
    const bool click = code == BN_CLICKED;
    auto index = [&] {
        auto* list = static_cast<CColorCombo*>(Control(id));
        return list ? list->GetCurSel() : CB_ERR;
    };
    try {
        switch (id) {
        case kPrinterListId:
            if (selection && index() >= 0)
                OnPrinterChosen(index());
            return true;
        case kFontListId:
            if (selection && index() >= 0)
                OnFontChosen(index());
            return true;
        case kCharsetListId:
            if (selection && index() >= 0)
                OnCharsetChosen(index());
            return true;
        case kWeightListId:
            if (selection && index() >= 0)
                OnTableChosen(font_tables::kWeights, font_tables::kWeightCount, &PrnParams::weight,
                              L"weight", index());
            return true;
        case kHeightListId:
            if (selection && index() >= 0)
                OnTableChosen(font_tables::kHeights, font_tables::kHeightCount, &PrnParams::height,
                              L"height", index());
            return true;
        case kStrikeoutBoxId:
        case kUnderlineBoxId:
        case kItalicBoxId:
            if (click)
                OnStyleClicked(id);
            return true;
        case kSettingsButtonId:
            if (click)
                OnEditSettings();
            return true;
        case kUseDefaultButtonId:
            if (click)
                OnUseDefaultSettings();
            return true;
        default:
            return false;
        }
    } catch (...) {
        // The page stays as it was; nothing was fired.
        return true;
    }
}

void CXFER_PrnObject::OnPrinterChosen(int index) {
    std::wstring printer = kDefaultChoice;
    View view;
    {
        CriticalSectionLock hold(listsLock_);
        if (index > 0 && static_cast<size_t>(index) <= printers_.size())
            printer = printers_[index - 1];
        ChangeParams([&](PrnParams& params) { params.printer = printer; });
    }
    Fire_OnChangeParam(name_.c_str(), L"printer", ComVariant(printer.c_str()));
    {
        CriticalSectionLock hold(listsLock_);
        ReadFonts();
        view = TakeView();
    }
    RunOnPage([&] { FillFontList(view); });
}

void CXFER_PrnObject::OnFontChosen(int index) {
    std::wstring font = kDefaultChoice;
    {
        CriticalSectionLock hold(listsLock_);
        if (index > 0 && static_cast<size_t>(index) <= fonts_.size())
            font = fonts_[index - 1];
        ChangeParams([&](PrnParams& params) { params.font = font; });
    }
    Fire_OnChangeParam(name_.c_str(), L"font", ComVariant(font.c_str()));
    View view;
    {
        CriticalSectionLock hold(listsLock_);
        ReadCharsets();
        view = TakeView();
    }
    RunOnPage([&] { SelectFont(view); });
}

void CXFER_PrnObject::OnCharsetChosen(int index) {
    long charset = DEFAULT_CHARSET;
    {
        CriticalSectionLock hold(listsLock_);
        if (static_cast<size_t>(index) >= charsets_.size())
            return;
        charset = charsets_[index].value;
        ChangeParams([&](PrnParams& params) { params.charset = charset; });
    }
    Fire_OnChangeParam(name_.c_str(), L"charset", ComVariant(charset));
}

void CXFER_PrnObject::OnTableChosen(const long* table, size_t count, long PrnParams::*member,
                                    const wchar_t* param, int index) {
    if (static_cast<size_t>(index) >= count)
        return;
    const long value = table[index];
    ChangeParams([&](PrnParams& params) { params.*member = value; });
    Fire_OnChangeParam(name_.c_str(), param, ComVariant(value));
}

void CXFER_PrnObject::OnStyleClicked(int id) {
    long PrnParams::*member = id == kStrikeoutBoxId   ? &PrnParams::strikeout
                              : id == kUnderlineBoxId ? &PrnParams::underline
                                                      : &PrnParams::italic;
    const wchar_t* param = id == kStrikeoutBoxId   ? L"strikeout"
                           : id == kUnderlineBoxId ? L"underline"
                                                   : L"italic";
    long now = 0;
    ChangeParams([&](PrnParams& params) {
        now = params.*member == 0 ? 1 : 0;
        params.*member = now;
    });
    // The member is the source: the box shows it whatever a client had put.
    RunOnPage([&] {
        if (auto* box = static_cast<CColorBox*>(Control(id)))
            box->SetCheck(now ? BST_CHECKED : BST_UNCHECKED);
    });
    Fire_OnChangeParam(name_.c_str(), param, ComVariant(now));
}

void CXFER_PrnObject::OnEditSettings() {
    const PrnParams params = CopyParams();
    std::wstring device;
    {
        CriticalSectionLock hold(listsLock_);
        device = ListDevice(params.printer);
    }
    std::vector<unsigned char> input = SettingsForDevice(params.settings, device);
    PrinterHandle printer;
    if (!printer.Open(device.c_str()))
        return;
    wchar_t* name = const_cast<wchar_t*>(device.c_str());
    const LONG size = DocumentPropertiesW(PageWindow(), printer.Get(), name, nullptr, nullptr, 0);
    if (size <= 0)
        return;
    std::vector<unsigned char> output(static_cast<size_t>(size));
    const LONG answer = DocumentPropertiesW(
        PageWindow(), printer.Get(), name, reinterpret_cast<DEVMODEW*>(output.data()),
        AsDevMode(input), DM_IN_BUFFER | DM_IN_PROMPT | DM_OUT_BUFFER);
    if (answer != IDOK)
        return;
    ComVariant value;
    if (FAILED(BytesToVariant(output, &value)))
        return;
    ChangeParams([&](PrnParams& values) { values.settings = output; });
    Fire_OnChangeParam(name_.c_str(), L"settings", value);
    if (CColorWindowControl* button = Control(kUseDefaultButtonId))
        button->Enable(true);
}

void CXFER_PrnObject::OnUseDefaultSettings() {
    ComVariant value;
    if (FAILED(BytesToVariant({}, &value)))
        return;
    ChangeParams([](PrnParams& params) { params.settings.clear(); });
    Fire_OnChangeParam(name_.c_str(), L"settings", value);
    if (CColorWindowControl* button = Control(kUseDefaultButtonId))
        button->Enable(false);
}
