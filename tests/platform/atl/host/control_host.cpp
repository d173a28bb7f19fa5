#include "control_host.h"

#include "desktop_input.h"

namespace {

constexpr wchar_t kClassName[] = L"QlxTestControlHost";
} // namespace

ControlHost::ControlHost(int width, int height) {
    hwnd_ = CreateTestWindow(kClassName, L"Control host", width, height, this, Proc);
    Pump();
}

ControlHost::~ControlHost() {
    Close();
    if (hwnd_)
        DestroyWindow(hwnd_);
}

HRESULT ControlHost::Embed(IUnknown* control, const RECT& area) {
    area_ = area;
    HRESULT hr = control->QueryInterface(IID_IOleObject, object_.AsVoidOut());
    if (FAILED(hr))
        return hr;
    hr = object_->SetClientSite(this);
    if (FAILED(hr))
        return hr;
    SIZEL extent{};
    object_->GetExtent(DVASPECT_CONTENT, &extent);
    hr = object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, this, 0, hwnd_, &area_);
    Pump();
    return hr;
}

void ControlHost::Close() {
    if (point_) {
        point_->Unadvise(cookie_);
        point_.Release();
    }
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
        object_.Release();
    }
    active_.Release();
}

HRESULT ControlHost::Advise(REFIID events, IUnknown* sink) {
    if (!object_)
        return E_UNEXPECTED;
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = object_->QueryInterface(IID_IConnectionPointContainer, container.AsVoidOut());
    if (FAILED(hr))
        return hr;
    hr = container->FindConnectionPoint(events, &point_);
    if (FAILED(hr))
        return hr;
    return point_->Advise(sink, &cookie_);
}

HWND ControlHost::ControlWindow() const {
    ComPtr<IOleWindow> window;
    HWND control = nullptr;
    if (object_ && SUCCEEDED(object_->QueryInterface(IID_IOleWindow, window.AsVoidOut())))
        window->GetWindow(&control);
    return control;
}

void ControlHost::Pump() {
    for (int round = 0; round < 2; ++round) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (active_ && active_->TranslateAccelerator(&msg) == S_OK)
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (hwnd_)
            UpdateWindow(hwnd_);
    }
}

void ControlHost::Type(const std::wstring& text) {
    TypeToFocus(text, [this] { Pump(); });
}

void ControlHost::PressKey(UINT key) {
    PressKeyOnFocus(key, [this] { Pump(); });
}

void ControlHost::RealClick(HWND window) {
    RealClickOn(window, [this] { Pump(); });
}

bool ControlHost::SaveScreenshot(const std::wstring& path) {
    Pump();
    return SaveWindowPicture(hwnd_, path);
}

STDMETHODIMP ControlHost::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
        *out = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
        *out = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame))
        *out = static_cast<IOleInPlaceFrame*>(this);
    else
        return E_NOINTERFACE;
    return S_OK;
}

STDMETHODIMP ControlHost::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlHost::GetContainer(IOleContainer** out) {
    if (out)
        *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ControlHost::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = hwnd_;
    return S_OK;
}

STDMETHODIMP ControlHost::OnInPlaceActivate() {
    ++inPlaceActivations;
    return S_OK;
}

STDMETHODIMP ControlHost::OnUIActivate() {
    ++uiActivations;
    return S_OK;
}

STDMETHODIMP ControlHost::OnUIDeactivate(BOOL) {
    return S_OK;
}

STDMETHODIMP ControlHost::OnInPlaceDeactivate() {
    ++inPlaceDeactivations;
    return S_OK;
}

STDMETHODIMP ControlHost::GetWindowContext(IOleInPlaceFrame** frame,
                                           IOleInPlaceUIWindow** document, LPRECT position,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    *frame = this;
    *document = nullptr;
    *position = area_;
    GetClientRect(hwnd_, clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = hwnd_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP ControlHost::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
    active_ = object;
    return S_OK;
}

LRESULT CALLBACK ControlHost::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ControlHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        self->Paint();
        return 0;
    case WM_NCDESTROY:
        self->hwnd_ = nullptr;
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ControlHost::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    // A soft vertical gradient, as a skinned settings window would show behind its pages.
    for (int y = 0; y < client.bottom; ++y) {
        const int shade = 0xF0 - (y * 0x30) / (client.bottom ? client.bottom : 1);
        HBRUSH brush = CreateSolidBrush(RGB(shade - 0x18, shade - 0x08, shade));
        RECT row{0, y, client.right, y + 1};
        FillRect(dc, &row, brush);
        DeleteObject(brush);
    }
    EndPaint(hwnd_, &ps);
}
