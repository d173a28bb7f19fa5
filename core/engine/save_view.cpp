#include "save_view.h"

SaveView::SaveView(CQLX& engine, const RenderedSettings& settings)
    : engine_(engine), hold_(static_cast<IQLX*>(&engine)), settings_(settings) {}

HRESULT SaveView::Create(CQLX& engine, const RenderedSettings& settings,
                         ComPtr<IRenderedCollection>* view) noexcept {
    return ComObject<SaveView>::Create(IID_IRenderedCollection, view->AsVoidOut(), engine,
                                       settings);
}

STDMETHODIMP SaveView::Item(LONG index, VARIANT* pVal) {
    return engine_.ItemWith(index, settings_, pVal);
}
STDMETHODIMP SaveView::ItemSize(LONG index, LONG* pVal) {
    return engine_.ItemSizeWith(index, settings_, pVal);
}
STDMETHODIMP SaveView::Unicode(LONG* pVal) {
    return CQLX::UnicodeWith(settings_, pVal);
}
STDMETHODIMP SaveView::Count(LONG* pVal) {
    return engine_.Count(pVal);
}
STDMETHODIMP SaveView::GetItem(LONG idx, BSTR* pVal) {
    return engine_.GetItem(idx, pVal);
}
STDMETHODIMP SaveView::TranslateString(BSTR input, LONG page, LONG translate_flag, LONG* page_flag,
                                       BSTR* output) {
    return engine_.TranslateString(input, page, translate_flag, page_flag, output);
}
STDMETHODIMP SaveView::JobSize(LONG* pVal) {
    return engine_.JobSize(pVal);
}
