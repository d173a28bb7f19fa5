#include "twl_plugin.h"

#include <string>

#include "utf16_text.h"

namespace {

const PluginDescriptor kDescriptor = {kTwlName, kTwlLayout, kTwlDescription, kTwlExtension,
                                      kTwlPageId};
const ParamRow<TwlParams> kParams[] = {
    LongParam(L"margins", &TwlParams::margins, kMarginsBoxId),
    LongParam(L"usespaces", &TwlParams::usespaces, kUseSpacesBoxId),
};
const PageControl kPage[] = {
    {PageControlKind::kCheckBox, L"Print margins", kMarginsBoxId, {5, 5, 75, 25}, nullptr},
    {PageControlKind::kCheckBox,
     L"Use document spaces",
     kUseSpacesBoxId,
     {115, 5, 225, 25},
     nullptr},
};

} // namespace

CRP_TWLObject::CRP_TWLObject()
    : CFormatPlugin(kTwlClsid, kDescriptor, Rows(kParams), Rows(kPage)) {}

HRESULT CRP_TWLObject::OnStartPage(long /*page*/, long /*width*/, long height) {
    CriticalSectionLock hold(pageLock_);
    layout_.StartPage(height);
    return S_OK;
}

HRESULT CRP_TWLObject::OnAddItem(long x0, long y0, long x1, long y1, BSTR text, BSTR font) {
    const bool keepBlank = CopyParams().usespaces != 0;
    const std::u16string itemText = Utf16FromBstr(text);
    const std::u16string itemFont = Utf16FromBstr(font);
    CriticalSectionLock hold(pageLock_);
    layout_.AddItem(x0, y0, x1, y1, itemText, itemFont, keepBlank);
    return S_OK;
}

HRESULT CRP_TWLObject::OnEndPage(BSTR* pageText) {
    const bool margins = CopyParams().margins != 0;
    CriticalSectionLock hold(pageLock_);
    const std::u16string& text = layout_.EndPage(margins);
    return Utf16ToBstr(text, pageText);
}
