#include "rss_plugin.h"

#include "feed_clock.h"
#include "utf16_text.h"

namespace {

const PluginDescriptor kDescriptor = {kRssName, kRssLayout, kRssDescription, kRssExtension,
                                      kRssPageId};
const ParamRow<RssParams> kParams[] = {
    StringParam(L"link", &RssParams::link, kLinkEditId),
    StringParam(L"description", &RssParams::description, kDescriptionEditId),
    StringParam(L"author", &RssParams::author, kAuthorEditId),
    LongParam(L"br", &RssParams::br, kHtmlBoxId),
    LongParam(L"atom", &RssParams::atom, kFormatComboId),
};
const wchar_t* const kFormatEntries[] = {L"RSS", L"Atom", nullptr};
// In the order the page's background goes to them.
const PageControl kPage[] = {
    {PageControlKind::kLabel, L"Format", -1, {5, 5, 65, 25}, nullptr},
    {PageControlKind::kSwitchCombo, L"format", kFormatComboId, {75, 5, 145, 125}, kFormatEntries},
    {PageControlKind::kLabel, L"Author", -1, {155, 5, 205, 25}, nullptr},
    {PageControlKind::kEdit, L"", kAuthorEditId, {215, 5, 385, 25}, nullptr},
    {PageControlKind::kLabel, L"Link", -1, {5, 35, 65, 55}, nullptr},
    {PageControlKind::kEdit, L"", kLinkEditId, {75, 35, 325, 55}, nullptr},
    {PageControlKind::kLabel, L"Description", -1, {5, 65, 65, 85}, nullptr},
    {PageControlKind::kEdit, L"", kDescriptionEditId, {75, 65, 385, 85}, nullptr},
    {PageControlKind::kCheckBox, L"HTML", kHtmlBoxId, {335, 37, 385, 55}, nullptr},
};

std::u16string Utf16(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

} // namespace

CRP_RSSObject::CRP_RSSObject()
    : CFormatPlugin(kRssClsid, kDescriptor, Rows(kParams), Rows(kPage), DocNameUse::kBothPuts) {}

FeedSettings CRP_RSSObject::Settings() const {
    const RssParams params = CopyParams();
    return FeedSettings{Utf16(params.link), Utf16(params.description), Utf16(params.author),
                        params.br != 0, params.atom != 0};
}

HRESULT CRP_RSSObject::OnStartPage(long page, long /*width*/, long /*height*/) {
    const FeedSettings settings = Settings();
    const std::u16string docName = Utf16(DocName());
    CriticalSectionLock hold(pageLock_);
    page_.StartPage(page, settings, docName, UtcNow());
    return S_OK;
}

HRESULT CRP_RSSObject::OnAddItem(long x0, long y0, long x1, long y1, BSTR text, BSTR font) {
    const std::u16string itemText = Utf16FromBstr(text);
    const std::u16string itemFont = Utf16FromBstr(font);
    CriticalSectionLock hold(pageLock_);
    page_.AddItem(x0, y0, x1, y1, itemText, itemFont);
    return S_OK;
}

HRESULT CRP_RSSObject::OnEndPage(BSTR* pageText) {
    CriticalSectionLock hold(pageLock_);
    return Utf16ToBstr(page_.EndPage(), pageText);
}

HRESULT CRP_RSSObject::OnGetHeader(long /*dpi*/, BSTR* header) {
    return Utf16ToBstr(FeedHeader(Settings(), Utf16(DocName()), UtcNow()), header);
}

HRESULT CRP_RSSObject::OnGetFooter(BSTR* footer) {
    return Utf16ToBstr(FeedFooter(CopyParams().atom != 0), footer);
}
