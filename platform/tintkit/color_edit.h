#pragma once
#include <string>

#include "window_control.h"

// A one-line (or, with SetMultiline, multi-line) edit with a skin border. Every change of its
// text, typed or set, sends EN_CHANGE to the parent.
class CColorEdit : public CColorWindowControl {
public:
    // An edit style added at Create, such as ES_PASSWORD, ES_NUMBER or ES_RIGHT.
    void Init(DWORD extraStyle);
    // Takes effect at Create; false once the window exists, since an edit cannot change it then.
    bool SetMultiline(bool multiline);

    bool SetWindowTextW(const wchar_t* text);
    // The whole text; empty when there is no window.
    bool GetWindowTextW(std::wstring& text) const;

protected:
    WindowKind Kind() const override;
    void OnCreated() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void PaintBorder();

    DWORD extraStyle_ = 0;
    bool multiline_ = false;
};
