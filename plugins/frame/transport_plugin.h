#pragma once
#include "plugin_object.h"

// Base of a transport plug-in (IQLX_TPLUGIN). A transport gives its class id, descriptor,
// parameter rows and page, and overrides the job methods it needs; the frame answers the
// parameter methods and UpdateUI(0), and keeps exceptions inside.
template <class Derived, class P>
class CTransportPlugin : public CPluginObject<Derived, P, TransportFlavour> {
public:
    using CPluginObject<Derived, P, TransportFlavour>::CPluginObject;

    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<Derived, IQLX_TPLUGIN>(IID_IQLX_TPLUGIN),
            QiRow<Derived, IDispatch, IQLX_TPLUGIN>(IID_IDispatch),
            QiRow<Derived, IConnectionPointContainer>(IID_IConnectionPointContainer),
            QiRow<Derived, IProvideClassInfo, IProvideClassInfo2>(IID_IProvideClassInfo),
            QiRow<Derived, IProvideClassInfo2>(IID_IProvideClassInfo2),
            COMPOSITE_CONTROL_QI_ROWS(Derived),
        };
        return table;
    }

    STDMETHODIMP StartJob() final {
        return GuardedCall([&] { return OnStartJob(); });
    }
    STDMETHODIMP Send(IRenderedCollection* pages, LONG wholeJob, LONG page) final {
        return GuardedCall([&] { return OnSend(pages, wholeJob, page); });
    }
    STDMETHODIMP EndJob() final {
        return GuardedCall([&] { return OnEndJob(); });
    }
    // 0: every parameter into its control; 1 (default printer changed) and 2 (printer list
    // changed) are the plug-in's.
    STDMETHODIMP UpdateUI(LONG reason) final {
        if (reason == 0)
            return GuardedCall([&] { return OnShowParams(); });
        return GuardedCall([&] { return OnPrintersChanged(reason); });
    }
    STDMETHODIMP ResetParams() final {
        RETURN_IF_FAILED(this->ResetValues());
        RETURN_IF_FAILED(GuardedCall([&] { return OnParamsReset(); }));
        return UpdateUI(0);
    }

    HRESULT Fire_OnError(const wchar_t* name, const wchar_t* message) noexcept {
        return plugin_events::FireError(this->Events(), name, message);
    }
    HRESULT Fire_OnProgress(const wchar_t* name, long percent) noexcept {
        return plugin_events::FireProgress(this->Events(), name, percent);
    }
    // OnError with the plug-in's own name.
    HRESULT FireLastError(const wchar_t* message) noexcept {
        return Fire_OnError(this->name_.c_str(), message);
    }

protected:
    virtual HRESULT OnStartJob() { return S_OK; }
    virtual HRESULT OnSend(IRenderedCollection* pages, long wholeJob, long page) = 0;
    virtual HRESULT OnEndJob() { return S_OK; }
    virtual HRESULT OnPrintersChanged(long /*reason*/) { return S_OK; }
    // UpdateUI(0); a plug-in that checks its values against lists of its own replaces it.
    virtual HRESULT OnShowParams() {
        RETURN_IF_FAILED(this->ShowAllParams());
        if (this->PageExists())
            OnParamsShown();
        return S_OK;
    }
    // After UpdateUI(0) filled the page's controls (only while the page exists): a plug-in
    // whose controls depend on each other applies that here.
    virtual void OnParamsShown() noexcept {}
    // After the values went back to their defaults, before UpdateUI(0): state of the plug-in's
    // own besides its parameters.
    virtual HRESULT OnParamsReset() { return S_OK; }
};
