#pragma once
#include <windows.h>
#include <ocidl.h>
#include <ole2.h>

#include "com_ptr.h"
#include "connection_point.h"

// An ActiveX control whose window is a dialog made from a dialog template of its module: what a
// host needs to create, size, show, focus, tab through and destroy it. The class implements the
// control interfaces; IUnknown comes from the concrete class (ComObject), which also lists these
// interfaces in its QueryInterface table (see CompositeControlRows). Methods hosts rarely use
// answer E_NOTIMPL or the OLE_E_ code controls give. The dialog's messages go first to
// OnDialogMessage; keyboard navigation (tab, arrows) runs through IsDialogMessage in
// TranslateAccelerator. Single-threaded: a host calls it from the thread of its window.
class CompositeControl : public IOleObject,
                         public IOleInPlaceObjectWindowless,
                         public IOleInPlaceActiveObject,
                         public IOleControl,
                         public IViewObjectEx,
                         public IPersistStreamInit,
                         public IPersistStorage,
                         public IQuickActivate,
                         public ISpecifyPropertyPages,
                         public IDataObject {
public:
    // OLEMISC bits of every composite control (registered as MiscStatus "1" = "131473").
    static constexpr DWORD kMiscStatus = 131473;

    CompositeControl(IConnectionPointContainer* container, const CLSID& clsid, HMODULE module,
                     int dialogId) noexcept;
    virtual ~CompositeControl();
    CompositeControl(const CompositeControl&) = delete;
    CompositeControl& operator=(const CompositeControl&) = delete;

    HWND ControlWindow() const { return hwnd_; }
    ConnectionPoint& PropertyNotifyPoint() { return propertyNotify_; }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** out) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                        LPCRECT rect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** out) override;
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow (of both IOleInPlaceObject and IOleInPlaceActiveObject)
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceObject(Windowless): the control always has its window.
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override { return S_FALSE; }
    STDMETHODIMP GetDropTarget(IDropTarget** out) override;

    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
    STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

    // IViewObjectEx
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                      HDC targetDc, HDC dc, LPCRECTL bounds, LPCRECTL wBounds,
                      BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR contArg) override;
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                           LPSIZEL size) override;
    STDMETHODIMP GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewStatus(DWORD* status) override;
    STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG,
                               DWORD* result) override;
    STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG,
                              DWORD* result) override;
    STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*,
                                  LPSIZEL) override {
        return E_NOTIMPL;
    }

    // IPersist, IPersistStreamInit, IPersistStorage: the control has no persistent properties.
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream*) override { return S_OK; }
    STDMETHODIMP Save(IStream*, BOOL) override { return S_OK; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override { return S_OK; }
    STDMETHODIMP InitNew(IStorage*) override { return S_OK; }
    STDMETHODIMP Load(IStorage*) override { return S_OK; }
    STDMETHODIMP Save(IStorage*, BOOL) override { return S_OK; }
    STDMETHODIMP SaveCompleted(IStorage*) override { return S_OK; }
    STDMETHODIMP HandsOffStorage() override { return S_OK; }

    // IQuickActivate
    STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    STDMETHODIMP SetContentExtent(LPSIZEL size) override;
    STDMETHODIMP GetContentExtent(LPSIZEL size) override;

    // ISpecifyPropertyPages: none.
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // IDataObject: the control offers no data.
    STDMETHODIMP GetData(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC** out) override;
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

protected:
    // The dialog's messages before the dialog's own handling; true when handled, with the
    // result (for WM_INITDIALOG: whether the system sets the focus).
    virtual bool OnDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                                 LRESULT* result) noexcept = 0;
    // The point of the control's event interface (for IQuickActivate's event sink).
    virtual ConnectionPoint& EventPoint() noexcept = 0;
    // Ends the window, telling nobody; the concrete class calls it from its destructor, while
    // the handlers the dialog calls still exist.
    void DestroyControlWindow() noexcept;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    HRESULT InPlaceActivate(LONG verb, LPCRECT rect) noexcept;
    HRESULT UIActivate() noexcept;
    void FocusFirstControl() noexcept;
    // The extent of the dialog template in HIMETRIC, worked out once.
    void ReadTemplateExtent() noexcept;
    IUnknown* Identity() { return static_cast<IOleObject*>(this); }

    const CLSID& clsid_;
    HMODULE module_;
    int dialogId_;
    ConnectionPoint propertyNotify_;
    ComPtr<IOleClientSite> site_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<IOleInPlaceUIWindow> document_;
    ComPtr<IOleAdviseHolder> adviseHolder_;
    ComPtr<IAdviseSink> viewSink_;
    DWORD viewAspects_ = 0;
    DWORD viewFlags_ = 0;
    HWND hwnd_ = nullptr;
    SIZEL extent_ = {5080, 5080};
    bool extentRead_ = false;
    bool inPlaceActive_ = false;
    bool uiActive_ = false;
};

// The QueryInterface rows of a composite control's interfaces, for a class Self built on it.
#define COMPOSITE_CONTROL_QI_ROWS(Self)                                                            \
    QiRow<Self, IOleObject>(IID_IOleObject),                                                       \
        QiRow<Self, IOleWindow, IOleInPlaceObjectWindowless>(IID_IOleWindow),                      \
        QiRow<Self, IOleInPlaceObject, IOleInPlaceObjectWindowless>(IID_IOleInPlaceObject),        \
        QiRow<Self, IOleInPlaceObjectWindowless>(IID_IOleInPlaceObjectWindowless),                 \
        QiRow<Self, IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject),                         \
        QiRow<Self, IOleControl>(IID_IOleControl),                                                 \
        QiRow<Self, IViewObject, IViewObjectEx>(IID_IViewObject),                                  \
        QiRow<Self, IViewObject2, IViewObjectEx>(IID_IViewObject2),                                \
        QiRow<Self, IViewObjectEx>(IID_IViewObjectEx),                                             \
        QiRow<Self, IPersist, IPersistStreamInit>(IID_IPersist),                                   \
        QiRow<Self, IPersistStreamInit>(IID_IPersistStreamInit),                                   \
        QiRow<Self, IPersistStorage>(IID_IPersistStorage),                                         \
        QiRow<Self, IQuickActivate>(IID_IQuickActivate),                                           \
        QiRow<Self, ISpecifyPropertyPages>(IID_ISpecifyPropertyPages),                             \
        QiRow<Self, IDataObject>(IID_IDataObject)
