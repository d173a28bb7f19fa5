#pragma once
#include <string>

#include "window_control.h"

// A link: underlined text that sizes its window to the text from the rectangle's top-left
// corner. A click sends STN_CLICKED (the value of BN_CLICKED) to the parent and, when an
// address is set, opens it.
class CColorHyperLink : public CColorWindowControl {
public:
    void SetURL(const wchar_t* url);
    void SetVisited();
    void SetNormal();
    bool IsVisited() const { return visited_; }

protected:
    WindowKind Kind() const override;
    void OnCreated() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void Paint(HDC dc);
    void FitToText();

    std::wstring url_;
    bool visited_ = false;
};
