#include "xml_plugin.h"

#include <string>

#include "utf16_text.h"

namespace {

const PluginDescriptor kDescriptor = {kXmlName, kXmlLayout, kXmlDescription, kXmlExtension,
                                      kXmlPageId};
const ParamRow<XmlParams> kParams[] = {
    LongParam(L"optimize", &XmlParams::optimize, kOptimizeBoxId),
    LongParam(L"space", &XmlParams::space, kSpaceComboId),
};
const wchar_t* const kSpaceEntries[] = {L"100", L"90", L"80", L"70", L"60",  L"50",
                                        L"40",  L"30", L"20", L"10", nullptr};
const long kSpaceValues[] = {100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 0};
const PageControl kPage[] = {
    {PageControlKind::kCheckBox, L"Optimize output", kOptimizeBoxId, {5, 5, 75, 25}, nullptr},
    {PageControlKind::kLabel, L"Whitespace size", -1, {5, 35, 105, 55}, nullptr},
    {PageControlKind::kCombo,
     L"Space",
     kSpaceComboId,
     {115, 35, 175, 125},
     kSpaceEntries,
     kSpaceValues},
};

// The page's space of 0 is read as the default.
constexpr long kDefaultSpace = 100;

std::u16string Utf16(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

} // namespace

CRP_XMLObject::CRP_XMLObject()
    : CFormatPlugin(kXmlClsid, kDescriptor, Rows(kParams), Rows(kPage), DocNameUse::kBothPuts) {}

long CRP_XMLObject::ValueForPage(const ParamRow<XmlParams>& row, long value) const noexcept {
    return row.number == &XmlParams::space && value == 0 ? kDefaultSpace : value;
}

HRESULT CRP_XMLObject::OnStartPage(long page, long width, long height) {
    CriticalSectionLock hold(pageLock_);
    page_.StartPage(page, width, height);
    return S_OK;
}

HRESULT CRP_XMLObject::OnAddItem(long x0, long y0, long x1, long y1, BSTR text, BSTR font) {
    const std::u16string itemText = Utf16FromBstr(text);
    const std::u16string itemFont = Utf16FromBstr(font);
    CriticalSectionLock hold(pageLock_);
    page_.AddItem(x0, y0, x1, y1, itemText, itemFont);
    return S_OK;
}

HRESULT CRP_XMLObject::OnEndPage(BSTR* pageText) {
    const XmlParams params = CopyParams();
    CriticalSectionLock hold(pageLock_);
    return Utf16ToBstr(page_.EndPage(params.optimize != 0, params.space), pageText);
}

HRESULT CRP_XMLObject::OnGetHeader(long dpi, BSTR* header) {
    return Utf16ToBstr(XmlHeader(Utf16(DocName()), dpi), header);
}

HRESULT CRP_XMLObject::OnGetFooter(BSTR* footer) {
    return Utf16ToBstr(XmlFooter(), footer);
}
