#pragma once
#include <string>

#include "plugin_object.h"

// Base of a format plug-in (IQLX_RPLUGIN). A format gives its class id, descriptor (with
// description and extension), parameter rows and page, and its page methods; the frame
// answers the parameter methods and keeps exceptions inside. A format that keeps the document
// name passes a DocNameUse other than kNone: PutParamUI("docname", ...), and with kBothPuts
// PutParam too, then stores it (ResetParams leaves it).
enum class DocNameUse { kNone, kPutParamUI, kBothPuts };

template <class Derived, class P>
class CFormatPlugin : public CPluginObject<Derived, P, FormatFlavour> {
    using Base = CPluginObject<Derived, P, FormatFlavour>;

public:
    CFormatPlugin(const CLSID& clsid, const PluginDescriptor& descriptor,
                  RowList<ParamRow<P>> params, RowList<PageControl> page,
                  DocNameUse docName = DocNameUse::kNone) noexcept
        : Base(clsid, descriptor, params, page), docNameUse_(docName) {}

    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<Derived, IQLX_RPLUGIN>(IID_IQLX_RPLUGIN),
            QiRow<Derived, IDispatch, IQLX_RPLUGIN>(IID_IDispatch),
            QiRow<Derived, IConnectionPointContainer>(IID_IConnectionPointContainer),
            QiRow<Derived, IProvideClassInfo, IProvideClassInfo2>(IID_IProvideClassInfo),
            QiRow<Derived, IProvideClassInfo2>(IID_IProvideClassInfo2),
            COMPOSITE_CONTROL_QI_ROWS(Derived),
        };
        return table;
    }

    STDMETHODIMP PutParamUI(BSTR name, VARIANT value) final {
        const HRESULT hr = Base::PutParamUI(name, value);
        return hr == E_FAIL && docNameUse_ != DocNameUse::kNone ? PutDocName(name, value) : hr;
    }
    STDMETHODIMP PutParam(BSTR name, VARIANT value) final {
        const HRESULT hr = Base::PutParam(name, value);
        return hr == E_FAIL && docNameUse_ == DocNameUse::kBothPuts ? PutDocName(name, value) : hr;
    }
    STDMETHODIMP get_Description(BSTR* out) final { return this->CopyOut(this->description_, out); }
    STDMETHODIMP get_Extension(BSTR* out) final { return this->CopyOut(this->extension_, out); }

    STDMETHODIMP StartPage(LONG page, LONG width, LONG height) final {
        return GuardedCall([&] { return OnStartPage(page, width, height); });
    }
    STDMETHODIMP AddItem(LONG x0, LONG y0, LONG x1, LONG y1, BSTR text, BSTR font) final {
        return GuardedCall([&] { return OnAddItem(x0, y0, x1, y1, text, font); });
    }
    STDMETHODIMP EndPage(BSTR* pageText) final {
        if (!pageText)
            return E_POINTER;
        *pageText = nullptr;
        return GuardedCall([&] { return OnEndPage(pageText); });
    }
    STDMETHODIMP GetHeader(LONG dpi, BSTR* header) final {
        if (!header)
            return E_POINTER;
        *header = nullptr;
        return GuardedCall([&] { return OnGetHeader(dpi, header); });
    }
    STDMETHODIMP GetFooter(BSTR* footer) final {
        if (!footer)
            return E_POINTER;
        *footer = nullptr;
        return GuardedCall([&] { return OnGetFooter(footer); });
    }
    STDMETHODIMP UpdateUI() final {
        this->ReadValuesAsPage();
        return this->ShowAllParams();
    }
    STDMETHODIMP ResetParams() final {
        RETURN_IF_FAILED(this->ResetValues());
        return UpdateUI();
    }

    // The document name given for the current job (a copy; throws bad_alloc).
    std::wstring DocName() const {
        CriticalSectionLock hold(docNameLock_);
        return docName_;
    }

protected:
    virtual HRESULT OnStartPage(long page, long width, long height) = 0;
    virtual HRESULT OnAddItem(long x0, long y0, long x1, long y1, BSTR text, BSTR font) = 0;
    virtual HRESULT OnEndPage(BSTR* pageText) = 0;
    virtual HRESULT OnGetHeader(long /*dpi*/, BSTR* /*header*/) { return E_NOTIMPL; }
    virtual HRESULT OnGetFooter(BSTR* /*footer*/) { return E_NOTIMPL; }

private:
    // The document name, which the core gives before each job; E_FAIL for any other name.
    HRESULT PutDocName(BSTR name, const VARIANT& value) noexcept {
        if (!NameIs(name, L"docname"))
            return E_FAIL;
        std::wstring text;
        RETURN_IF_FAILED(StringFromVariant(value, &text));
        CriticalSectionLock hold(docNameLock_);
        docName_.swap(text);
        return S_OK;
    }

    const DocNameUse docNameUse_;
    mutable CriticalSection docNameLock_;
    std::wstring docName_;
};
