#pragma once
#include <string>

#include "clipboard_ids.h"
#include "clipboard_session.h"
#include "rendered_pages.h"
#include "transport_plugin.h"

struct ClipboardParams {
    std::wstring exec;  // the post-processor; may hold macros
    std::wstring param; // its arguments; may hold macros
    long hide = 0;      // non-zero: start it hidden
    long open = 0;      // non-zero: run it once the clipboard is filled
    long wait = 0;      // non-zero: wait until it ends
};

// The clipboard transport: the pages of a save as one text on the clipboard, Unicode on
// current systems and ANSI on old ones, then the post-processor if one is set.
class CXFER_ClipboardObject : public CTransportPlugin<CXFER_ClipboardObject, ClipboardParams> {
public:
    CXFER_ClipboardObject();

    STDMETHODIMP PutParamUI(BSTR name, VARIANT value) override;

protected:
    HRESULT OnStartJob() override;
    HRESULT OnSend(IRenderedCollection* pages, long wholeJob, long page) override;
    HRESULT OnEndJob() override;
    void OnParamsShown() noexcept override;
    void OnPageCreated() noexcept override;
    bool OnPageCommand(int id, int code) noexcept override;

private:
    // Puts the text of the range on the open clipboard; S_OK, or E_FAIL after OnError. The
    // caller closes the clipboard.
    HRESULT FillClipboard(IRenderedCollection* pages, long wholeJob, long page, bool unicode);
    HRESULT Fail(const wchar_t* message);
    void ApplyEnabling(long open) noexcept;
    void OnBrowseApplication() noexcept;

    // Open from StartJob until Send has handed its text over or failed; EndJob and the
    // object's end close it too.
    ClipboardSession clipboard_;
};
