#pragma once
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <string>

#include "com_ptr.h"

// A minimal ActiveX host for tests: a top-level window (no frame under Xvfb) that embeds one
// control in place, plays its client site, in-place site and frame, runs the messages of its
// thread through the active control's TranslateAccelerator as a host's loop does, and connects
// a sink to the control's event interface. The thread must have entered an apartment (OLE).
class ControlHost final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    ControlHost(int width, int height);
    ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    HWND Hwnd() const { return hwnd_; }
    // Embeds and activates the control (verb OLEIVERB_UIACTIVATE) at area, in client pixels.
    HRESULT Embed(IUnknown* control, const RECT& area);
    // Deactivates and closes the control and lets it go.
    void Close();
    HRESULT Advise(REFIID events, IUnknown* sink);
    // The control's window once active.
    HWND ControlWindow() const;
    IOleInPlaceActiveObject* ActiveObject() const { return active_.Get(); }

    // Runs every waiting message (twice round, since one handled may post others).
    void Pump();
    // Keystrokes as the system posts them to the focused window, each followed by a pump.
    void Type(const std::wstring& text);
    void PressKey(UINT key);
    // A left click at the centre of a window, as real mouse input.
    void RealClick(HWND window);
    // The window's picture on the screen as a 24-bit BMP file.
    bool SaveScreenshot(const std::wstring& path);

    // IUnknown: the host lives as long as its holder.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
    STDMETHODIMP GetContainer(IOleContainer** out) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  LPRECT position, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow, IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override;
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // What the control told its site, for tests.
    int inPlaceActivations = 0;
    int uiActivations = 0;
    int inPlaceDeactivations = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    HWND hwnd_ = nullptr;
    RECT area_{};
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceActiveObject> active_;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};
