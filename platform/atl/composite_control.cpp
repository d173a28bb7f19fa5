#include "composite_control.h"

#include <olectl.h>

#include "com_result.h"

namespace {

constexpr DWORD kViewStatus = VIEWSTATUS_SOLIDBKGND | VIEWSTATUS_OPAQUE;

// The dialog template's size in dialog units and its font, from a DLGTEMPLATEEX or DLGTEMPLATE.
struct TemplateSize {
    int cx = 0, cy = 0;
    int pointSize = 8;
    const wchar_t* face = L"MS Sans Serif";
};

const wchar_t* SkipSzOrOrd(const wchar_t* p) {
    if (*p == 0xFFFF)
        return p + 2;
    while (*p)
        ++p;
    return p + 1;
}

bool ReadTemplate(HMODULE module, int id, TemplateSize* size) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* words = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    if (!words)
        return false;
    const bool extended = words[0] == 1 && words[1] == 0xFFFF;
    DWORD style;
    const wchar_t* p;
    if (extended) {
        const auto* t = reinterpret_cast<const BYTE*>(words);
        style = *reinterpret_cast<const DWORD*>(t + 12);
        size->cx = *reinterpret_cast<const short*>(t + 22);
        size->cy = *reinterpret_cast<const short*>(t + 24);
        p = reinterpret_cast<const wchar_t*>(t + 26);
    } else {
        const auto* t = reinterpret_cast<const DLGTEMPLATE*>(words);
        style = t->style;
        size->cx = t->cx;
        size->cy = t->cy;
        p = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(words) + 18);
    }
    p = SkipSzOrOrd(p); // menu
    p = SkipSzOrOrd(p); // class
    p = SkipSzOrOrd(p); // title
    if (style & DS_SETFONT) {
        size->pointSize = *p++;
        if (extended)
            p += 2; // weight, italic and charset
        size->face = p;
    }
    return true;
}

} // namespace

CompositeControl::CompositeControl(IConnectionPointContainer* container, const CLSID& clsid,
                                   HMODULE module, int dialogId) noexcept
    : clsid_(clsid), module_(module), dialogId_(dialogId),
      propertyNotify_(container, IID_IPropertyNotifySink) {}

CompositeControl::~CompositeControl() {
    DestroyControlWindow();
}

void CompositeControl::DestroyControlWindow() noexcept {
    if (!hwnd_)
        return;
    HWND window = hwnd_;
    hwnd_ = nullptr;
    SetWindowLongPtrW(window, DWLP_USER, 0);
    DestroyWindow(window);
}

void CompositeControl::ReadTemplateExtent() noexcept {
    if (extentRead_)
        return;
    extentRead_ = true;
    TemplateSize size;
    if (!ReadTemplate(module_, dialogId_, &size))
        return;
    // Dialog units come from the template font's average character size.
    HDC screen = GetDC(nullptr);
    if (!screen)
        return;
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    HFONT font = CreateFontW(-MulDiv(size.pointSize, dpiY, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                             DEFAULT_CHARSET, 0, 0, 0, 0, size.face);
    HGDIOBJ previous = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    SIZE sample{};
    const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const bool measured = GetTextMetricsW(screen, &metrics) &&
                          GetTextExtentPoint32W(screen, letters, 52, &sample);
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    if (!measured || dpiX <= 0 || dpiY <= 0)
        return;
    const int baseX = (sample.cx / 26 + 1) / 2, baseY = metrics.tmHeight;
    const int pixelsX = MulDiv(size.cx, baseX, 4), pixelsY = MulDiv(size.cy, baseY, 8);
    extent_.cx = MulDiv(pixelsX, 2540, dpiX);
    extent_.cy = MulDiv(pixelsY, 2540, dpiY);
}

INT_PTR CALLBACK CompositeControl::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    if (message == WM_INITDIALOG)
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* self = reinterpret_cast<CompositeControl*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self)
        return FALSE;
    if (message == WM_MOUSEACTIVATE && !self->uiActive_)
        self->UIActivate();
    LRESULT result = 0;
    if (!self->OnDialogMessage(dialog, message, wParam, lParam, &result))
        return FALSE;
    if (message == WM_INITDIALOG)
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

STDMETHODIMP CompositeControl::SetClientSite(IOleClientSite* site) {
    site_ = site;
    if (!site)
        inPlaceSite_.Release();
    return S_OK;
}

STDMETHODIMP CompositeControl::GetClientSite(IOleClientSite** site) {
    return site_.CopyTo(site);
}

STDMETHODIMP CompositeControl::Close(DWORD) {
    InPlaceDeactivate();
    if (adviseHolder_)
        adviseHolder_->SendOnClose();
    return S_OK;
}

STDMETHODIMP CompositeControl::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CompositeControl::GetClipboardData(DWORD, IDataObject** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CompositeControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND,
                                      LPCRECT rect) {
    if (site && !site_)
        site_ = site;
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_UIACTIVATE:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
        return InPlaceActivate(verb, rect);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (hwnd_)
            ShowWindow(hwnd_, SW_HIDE);
        return S_OK;
    case OLEIVERB_OPEN:
    case OLEIVERB_PROPERTIES:
        return E_NOTIMPL;
    default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT CompositeControl::InPlaceActivate(LONG verb, LPCRECT rect) noexcept {
    if (!site_)
        return E_UNEXPECTED;
    if (!inPlaceActive_) {
        if (!inPlaceSite_ && FAILED(site_.As(&inPlaceSite_)))
            return E_NOINTERFACE;
        if (inPlaceSite_->CanInPlaceActivate() != S_OK)
            return E_FAIL;
        HRESULT hr = inPlaceSite_->OnInPlaceActivate();
        if (FAILED(hr))
            return hr;
        inPlaceActive_ = true;
        HWND parent = nullptr;
        inPlaceSite_->GetWindow(&parent);
        RECT position{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof frameInfo;
        frame_.Release();
        document_.Release();
        inPlaceSite_->GetWindowContext(&frame_, &document_, &position, &clip, &frameInfo);
        if (rect)
            position = *rect;
        if (!hwnd_) {
            hwnd_ = CreateDialogParamW(module_, MAKEINTRESOURCEW(dialogId_), parent, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
            if (!hwnd_) {
                const HRESULT failure = HRESULT_FROM_WIN32(GetLastError());
                InPlaceDeactivate();
                return FAILED(failure) ? failure : E_FAIL;
            }
        }
        SetWindowPos(hwnd_, nullptr, position.left, position.top, position.right - position.left,
                     position.bottom - position.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(hwnd_, SW_SHOW);
    if (verb == OLEIVERB_PRIMARY || verb == OLEIVERB_UIACTIVATE)
        return UIActivate();
    return S_OK;
}

HRESULT CompositeControl::UIActivate() noexcept {
    if (!inPlaceActive_ || !inPlaceSite_)
        return E_UNEXPECTED;
    if (!uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate();
        IOleInPlaceActiveObject* active = this;
        if (frame_)
            frame_->SetActiveObject(active, nullptr);
        if (document_)
            document_->SetActiveObject(active, nullptr);
        if (frame_)
            frame_->SetBorderSpace(nullptr);
    }
    if (hwnd_ && !IsChild(hwnd_, GetFocus()))
        FocusFirstControl();
    return S_OK;
}

void CompositeControl::FocusFirstControl() noexcept {
    HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    SetFocus(first ? first : hwnd_);
}

STDMETHODIMP CompositeControl::EnumVerbs(IEnumOLEVERB** out) {
    if (!out)
        return E_POINTER;
    return OleRegEnumVerbs(clsid_, out);
}

STDMETHODIMP CompositeControl::GetUserClassID(CLSID* clsid) {
    return GetClassID(clsid);
}

STDMETHODIMP CompositeControl::GetUserType(DWORD form, LPOLESTR* type) {
    if (!type)
        return E_POINTER;
    return OleRegGetUserType(clsid_, form, type);
}

STDMETHODIMP CompositeControl::SetExtent(DWORD aspect, SIZEL* size) {
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    ReadTemplateExtent();
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP CompositeControl::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    ReadTemplateExtent();
    *size = extent_;
    return S_OK;
}

STDMETHODIMP CompositeControl::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!adviseHolder_)
        RETURN_IF_FAILED(CreateOleAdviseHolder(&adviseHolder_));
    return adviseHolder_->Advise(sink, cookie);
}

STDMETHODIMP CompositeControl::Unadvise(DWORD cookie) {
    return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP CompositeControl::EnumAdvise(IEnumSTATDATA** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return adviseHolder_ ? adviseHolder_->EnumAdvise(out) : E_FAIL;
}

STDMETHODIMP CompositeControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status)
        return E_POINTER;
    *status = kMiscStatus;
    return S_OK;
}

STDMETHODIMP CompositeControl::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = hwnd_;
    return hwnd_ ? S_OK : E_FAIL;
}

STDMETHODIMP CompositeControl::InPlaceDeactivate() {
    if (!inPlaceActive_)
        return S_OK;
    UIDeactivate();
    inPlaceActive_ = false;
    DestroyControlWindow();
    frame_.Release();
    document_.Release();
    if (inPlaceSite_)
        inPlaceSite_->OnInPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP CompositeControl::UIDeactivate() {
    if (!uiActive_)
        return S_OK;
    uiActive_ = false;
    if (document_)
        document_->SetActiveObject(nullptr, nullptr);
    if (frame_)
        frame_->SetActiveObject(nullptr, nullptr);
    if (inPlaceSite_)
        inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
}

STDMETHODIMP CompositeControl::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position)
        return E_POINTER;
    if (hwnd_)
        SetWindowPos(hwnd_, nullptr, position->left, position->top,
                     position->right - position->left, position->bottom - position->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

STDMETHODIMP CompositeControl::GetDropTarget(IDropTarget** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CompositeControl::TranslateAccelerator(LPMSG msg) {
    if (!msg)
        return E_POINTER;
    if (!hwnd_ || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return S_FALSE;
    if (msg->hwnd != hwnd_ && !IsChild(hwnd_, msg->hwnd))
        return S_FALSE;
    // Tab, arrows and the rest of dialog navigation; the message is handled when the dialog
    // took it.
    return IsDialogMessageW(hwnd_, msg) ? S_OK : S_FALSE;
}

STDMETHODIMP CompositeControl::GetControlInfo(CONTROLINFO* info) {
    if (!info)
        return E_POINTER;
    info->cb = sizeof *info;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP CompositeControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                                    LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                    ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!dc || !bounds)
        return E_INVALIDARG;
    RECT area = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    if (hwnd_) {
        // The live page, scaled into the rectangle the host asks for.
        RECT client;
        GetClientRect(hwnd_, &client);
        HDC source = GetDC(hwnd_);
        StretchBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, source,
                   0, 0, client.right, client.bottom, SRCCOPY);
        ReleaseDC(hwnd_, source);
    } else {
        FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    }
    return S_OK;
}

STDMETHODIMP CompositeControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    viewAspects_ = aspects;
    viewFlags_ = flags;
    viewSink_ = sink;
    return S_OK;
}

STDMETHODIMP CompositeControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects)
        *aspects = viewAspects_;
    if (flags)
        *flags = viewFlags_;
    if (sink)
        return viewSink_.CopyTo(sink);
    return S_OK;
}

STDMETHODIMP CompositeControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

STDMETHODIMP CompositeControl::GetViewStatus(DWORD* status) {
    if (!status)
        return E_POINTER;
    *status = kViewStatus;
    return S_OK;
}

STDMETHODIMP CompositeControl::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG,
                                             DWORD* result) {
    if (!bounds || !result)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *result = PtInRect(bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP CompositeControl::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG,
                                            DWORD* result) {
    if (!bounds || !location || !result)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    RECT common;
    *result = IntersectRect(&common, bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP CompositeControl::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

STDMETHODIMP CompositeControl::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size)
        return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

STDMETHODIMP CompositeControl::QuickActivate(QACONTAINER* container, QACONTROL* control) {
    if (!container || !control || container->cbSize < sizeof(QACONTAINER) ||
        control->cbSize < sizeof(QACONTROL))
        return E_INVALIDARG;
    control->dwMiscStatus = kMiscStatus;
    control->dwViewStatus = kViewStatus;
    control->dwEventCookie = 0;
    control->dwPropNotifyCookie = 0;
    control->dwPointerActivationPolicy = 0;
    RETURN_IF_FAILED(SetClientSite(container->pClientSite));
    if (container->pAdviseSink)
        SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    if (container->pUnkEventSink)
        EventPoint().Advise(container->pUnkEventSink, &control->dwEventCookie);
    if (container->pPropertyNotifySink)
        propertyNotify_.Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
    return S_OK;
}

STDMETHODIMP CompositeControl::SetContentExtent(LPSIZEL size) {
    return SetExtent(DVASPECT_CONTENT, size);
}

STDMETHODIMP CompositeControl::GetContentExtent(LPSIZEL size) {
    return GetExtent(DVASPECT_CONTENT, size);
}

STDMETHODIMP CompositeControl::GetPages(CAUUID* pages) {
    if (!pages)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    return S_OK;
}

STDMETHODIMP CompositeControl::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out)
        out->ptd = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CompositeControl::EnumFormatEtc(DWORD, IEnumFORMATETC** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}
