#pragma once
#include <windows.h>
#include <ocidl.h>

#include "com_object.h"
#include "com_result.h"
#include "composite_control.h"
#include "connection_point.h"
#include "dispatch.h"
#include "plugin_base.h"
#include "plugin_events.h"
#include "plugin_ids.h"
#include "qlx_rplugin.h"
#include "qlx_tplugin.h"

struct TransportFlavour {
    using Interface = IQLX_TPLUGIN;
    static REFIID InterfaceIid() { return IID_IQLX_TPLUGIN; }
    static REFIID EventIid() { return DIID__IQLX_TPlugin_Events; }
    static const TypeLibrarySource& Library() { return kTransportTypeLibrary; }
};

struct FormatFlavour {
    using Interface = IQLX_RPLUGIN;
    static REFIID InterfaceIid() { return IID_IQLX_RPLUGIN; }
    static REFIID EventIid() { return DIID__IQLX_RPlugin_Events; }
    static const TypeLibrarySource& Library() { return kFormatTypeLibrary; }
};

// The COM half shared by both kinds of plug-in: the plug-in interface's IDispatch through the
// plug-in type library, the parameter methods both interfaces have, the event point and the
// class information a host reads, and the composite control whose dialog is the settings page.
// Derived is the plug-in's class (made by ComObject<Derived>).
template <class Derived, class P, class Flavour>
class CPluginObject : public DispatchImpl<Derived, typename Flavour::Interface>,
                      public IConnectionPointContainer,
                      public IProvideClassInfo2,
                      public CompositeControl,
                      public ObjectBase,
                      public CPluginBase<P> {
public:
    CPluginObject(const CLSID& clsid, const PluginDescriptor& descriptor,
                  RowList<ParamRow<P>> params, RowList<PageControl> page) noexcept
        : CompositeControl(this, clsid, CurrentModule(), descriptor.pageId),
          CPluginBase<P>(descriptor, params, page), clsid_(clsid),
          events_(this, Flavour::EventIid()) {}
    ~CPluginObject() override { DestroyControlWindow(); }

    static const TypeLibrarySource& TypeLibrary() { return Flavour::Library(); }

    HRESULT FinalConstruct() override { return this->InitDescriptor(); }

    // The plug-in interface's methods common to both kinds.
    STDMETHODIMP GetParam(BSTR name, VARIANT* value) final {
        return this->GetParamValue(name, value);
    }
    STDMETHODIMP PutParam(BSTR name, VARIANT value) override {
        return this->PutParamValue(name, value, false);
    }
    STDMETHODIMP PutParamUI(BSTR name, VARIANT value) override {
        return this->PutParamValue(name, value, true);
    }
    STDMETHODIMP get_Name(BSTR* out) final { return this->CopyOut(this->name_, out); }
    STDMETHODIMP get_Layout(BSTR* out) final { return this->CopyOut(this->layout_, out); }

    // IConnectionPointContainer: the plug-in's event interface.
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        ConnectionPoint* points[] = {&events_, &this->PropertyNotifyPoint()};
        return FindConnectionPointIn(points, 2, iid, out);
    }

    // IProvideClassInfo2. The plug-in type libraries describe no plug-in class, so the class's
    // own type information is not found; the event interface is what hosts ask for.
    STDMETHODIMP GetClassInfo(ITypeInfo** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        ComPtr<ITypeLib> library;
        RETURN_IF_FAILED(LoadTypeLibrary(Flavour::Library(), nullptr, &library));
        return library->GetTypeInfoOfGuid(clsid_, out);
    }
    STDMETHODIMP GetGUID(DWORD kind, GUID* out) override {
        if (!out)
            return E_POINTER;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
            *out = GUID_NULL;
            return E_INVALIDARG;
        }
        *out = Flavour::EventIid();
        return S_OK;
    }

    // The event proxy: OnChangeParam(plug-in name, parameter, value).
    HRESULT Fire_OnChangeParam(const wchar_t* name, const wchar_t* param,
                               const VARIANT& value) noexcept {
        return plugin_events::FireChangeParam(events_, name, param, value);
    }

protected:
    ConnectionPoint& Events() { return events_; }
    ConnectionPoint& EventPoint() noexcept override { return events_; }
    bool OnDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                         LRESULT* result) noexcept override {
        return this->PageMessage(dialog, message, wParam, lParam, result);
    }

    void FireParamChange(const wchar_t* param, const VARIANT& value) noexcept override {
        Fire_OnChangeParam(this->name_.c_str(), param, value);
    }

private:
    const CLSID& clsid_;
    ConnectionPoint events_;
};
