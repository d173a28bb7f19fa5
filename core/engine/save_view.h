#pragma once
#include <windows.h>

#include "com_object.h"
#include "com_ptr.h"
#include "cqlx.h"

// The rendered pages as the transports of one save read them: the engine's collection, with
// the conversion settings taken when the save started, so that a change made while it runs
// does not give one job's pages two encodings.
class SaveView : public IRenderedCollection, public ObjectBase {
public:
    SaveView(CQLX& engine, const RenderedSettings& settings);
    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<SaveView, IRenderedCollection>(IID_IRenderedCollection),
        };
        return table;
    }
    static HRESULT Create(CQLX& engine, const RenderedSettings& settings,
                          ComPtr<IRenderedCollection>* view) noexcept;

    STDMETHODIMP Item(LONG index, VARIANT* pVal) override;
    STDMETHODIMP Count(LONG* pVal) override;
    STDMETHODIMP GetItem(LONG idx, BSTR* pVal) override;
    STDMETHODIMP Unicode(LONG* pVal) override;
    STDMETHODIMP ItemSize(LONG index, LONG* pVal) override;
    STDMETHODIMP TranslateString(BSTR input, LONG page, LONG translate_flag, LONG* page_flag,
                                 BSTR* output) override;
    STDMETHODIMP JobSize(LONG* pVal) override;

private:
    CQLX& engine_;
    ComPtr<IQLX> hold_; // the engine stays while a transport holds the view
    const RenderedSettings settings_;
};
