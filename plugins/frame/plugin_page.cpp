#include "plugin_page.h"

#include <new>

#include "tintkit.h"

namespace {

// Sent to the page by a thread other than its own to show a value there, or to run a plug-in's
// work on its controls there.
constexpr UINT kShowOnPage = WM_APP + 0x51;
constexpr UINT kRunOnPage = WM_APP + 0x52;

std::unique_ptr<CColorWindowControl> MakeControl(PageControlKind kind) {
    switch (kind) {
    case PageControlKind::kLabel:
        return std::make_unique<CColorText>();
    case PageControlKind::kEdit:
        return std::make_unique<CColorEdit>();
    case PageControlKind::kPasswordEdit: {
        auto edit = std::make_unique<CColorEdit>();
        edit->Init(ES_PASSWORD);
        return edit;
    }
    case PageControlKind::kMultilineEdit: {
        auto edit = std::make_unique<CColorEdit>();
        edit->SetMultiline(true);
        return edit;
    }
    case PageControlKind::kCheckBox:
        return std::make_unique<CColorBox>();
    case PageControlKind::kCombo:
    case PageControlKind::kSwitchCombo:
        return std::make_unique<CColorCombo>();
    case PageControlKind::kButton:
        return std::make_unique<CMColorButton>();
    case PageControlKind::kLine:
        return std::make_unique<CColorLine>();
    }
    return nullptr;
}

// The control library's creation flag: transparent parts for labels, edits and check boxes.
int CreationFlag(PageControlKind kind) {
    switch (kind) {
    case PageControlKind::kCombo:
    case PageControlKind::kSwitchCombo:
    case PageControlKind::kLine:
        return 0;
    default:
        return kCreateTransparent;
    }
}

bool IsCombo(PageControlKind kind) {
    return kind == PageControlKind::kCombo || kind == PageControlKind::kSwitchCombo;
}

bool IsEdit(PageControlKind kind) {
    return kind == PageControlKind::kEdit || kind == PageControlKind::kPasswordEdit ||
           kind == PageControlKind::kMultilineEdit;
}

} // namespace

PluginPage::~PluginPage() {
    // Controls go in the reverse of their creation, before the background they draw from.
    while (!items_.empty())
        items_.pop_back();
}

CColorWindowControl* PluginPage::Control(int id) const noexcept {
    const Item* item = PageExists() ? Find(id) : nullptr;
    return item ? item->control.get() : nullptr;
}

const PluginPage::Item* PluginPage::Find(int id) const noexcept {
    if (id == 0 || id == -1)
        return nullptr;
    for (const Item& item : items_) {
        if (item.id == id)
            return &item;
    }
    return nullptr;
}

bool PluginPage::PageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam,
                             LRESULT* result) noexcept {
    switch (message) {
    case WM_INITDIALOG:
        *result = OnInitDialog(page);
        return true;
    case WM_ERASEBKGND:
        *result = 1;
        return true;
    case WM_PAINT:
        // The snapshot is taken before the dialog paints; the paint itself goes on.
        if (firstPaint_)
            OnFirstPaint();
        return false;
    case WM_DESTROY:
        // The host may make the window again; the controls and their background are made
        // with it.
        items_.clear();
        ReleaseBackground();
        return false;
    case kShowOnPage:
        ShowHere(*reinterpret_cast<const ShowRequest*>(lParam));
        *result = 0;
        return true;
    case kRunOnPage:
        RunHere(*reinterpret_cast<const std::function<void()>*>(lParam));
        *result = 0;
        return true;
    case WM_COMMAND: {
        if (!lParam || !PageExists())
            return false;
        const int id = static_cast<short>(LOWORD(wParam));
        const int code = HIWORD(wParam);
        if (!Find(id))
            return false;
        *result = 0;
        if (quiet_ > 0)
            return true; // the echo of a value the page set itself
        if (OnPageCommand(id, code))
            return true;
        if (code == EN_CHANGE || code == BN_CLICKED || code == CBN_SELCHANGE) {
            OnControlChanged(id, code);
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

BOOL PluginPage::OnInitDialog(HWND page) {
    items_.clear();
    page_ = page;
    firstPaint_ = true;
    RECT client{};
    GetClientRect(page, &client);
    try {
        items_.reserve(controls_.count);
        for (const PageControl& row : controls_) {
            Item item{row.kind, row.id, MakeControl(row.kind)};
            if (!item.control)
                continue;
            if (row.values && row.items) {
                item.values = row.values;
                while (row.items[item.valueCount])
                    ++item.valueCount;
            }
            RECT at = row.rect;
            OffsetRect(&at, client.left, client.top);
            item.control->Create(row.text ? row.text : L"", at, page, row.id,
                                 CreationFlag(row.kind));
            if (IsCombo(row.kind) && row.items) {
                auto* combo = static_cast<CColorCombo*>(item.control.get());
                for (const wchar_t* const* entry = row.items; *entry; ++entry)
                    combo->AddString(*entry);
            }
            items_.push_back(std::move(item));
        }
    } catch (const std::bad_alloc&) {
        // The page shows the controls that could be made.
    }
    exists_.store(true, std::memory_order_release);
    OnPageCreated();
    return TRUE;
}

void PluginPage::OnFirstPaint() {
    firstPaint_ = false;
    RECT client{};
    GetClientRect(page_, &client);
    WindowDc window(page_);
    if (!window.Get())
        return;
    ReleaseBackground();
    backgroundBitmap_.Reset(CreateCompatibleBitmap(window.Get(), client.right, client.bottom));
    if (!backgroundBitmap_ || !background_.Create(window.Get(), backgroundBitmap_.Get()))
        return;
    BitBlt(background_.Get(), 0, 0, client.right, client.bottom, window.Get(), 0, 0, SRCCOPY);
    for (const Item& item : items_)
        item.control->SetMainHdc(background_.Get());
}

void PluginPage::ReleaseBackground() noexcept {
    // A bitmap still selected into a DC cannot be deleted (Windows refuses and it leaks):
    // the DC gives it back first.
    background_.Reset();
    backgroundBitmap_.Reset();
}

void PluginPage::ShowText(int id, const std::wstring& text) noexcept {
    Show(ShowRequest{id, &text, 0});
}

void PluginPage::ShowNumber(int id, long number) noexcept {
    Show(ShowRequest{id, nullptr, number});
}

void PluginPage::Show(const ShowRequest& request) noexcept {
    if (!PageExists())
        return;
    // The controls are the page thread's: a value from another thread is shown there.
    if (GetWindowThreadProcessId(page_, nullptr) == GetCurrentThreadId())
        ShowHere(request);
    else
        SendMessageW(page_, kShowOnPage, 0, reinterpret_cast<LPARAM>(&request));
}

void PluginPage::RunOnPage(const std::function<void()>& work) noexcept {
    if (!PageExists())
        return;
    if (GetWindowThreadProcessId(page_, nullptr) == GetCurrentThreadId())
        RunHere(work);
    else
        SendMessageW(page_, kRunOnPage, 0, reinterpret_cast<LPARAM>(&work));
}

void PluginPage::RunHere(const std::function<void()>& work) noexcept {
    // What the plug-in sets on its controls is not a user's change.
    ++quiet_;
    try {
        work();
    } catch (...) {
        // The page keeps what could be shown.
    }
    --quiet_;
}

void PluginPage::ShowHere(const ShowRequest& request) noexcept {
    const Item* item = Find(request.id);
    if (!item)
        return;
    ++quiet_;
    switch (item->kind) {
    case PageControlKind::kEdit:
    case PageControlKind::kPasswordEdit:
    case PageControlKind::kMultilineEdit:
        if (request.text)
            static_cast<CColorEdit*>(item->control.get())->SetWindowTextW(request.text->c_str());
        break;
    case PageControlKind::kCheckBox:
        if (!request.text)
            static_cast<CColorBox*>(item->control.get())
                ->SetCheck(request.number ? BST_CHECKED : BST_UNCHECKED);
        break;
    case PageControlKind::kCombo:
        if (!request.text)
            static_cast<CColorCombo*>(item->control.get())
                ->SetCurSel(EntryOf(*item, request.number));
        break;
    case PageControlKind::kSwitchCombo:
        if (!request.text)
            static_cast<CColorCombo*>(item->control.get())->SetCurSel(request.number ? 1 : 0);
        break;
    default:
        break;
    }
    --quiet_;
}

std::wstring PluginPage::EditText(int id) const {
    std::wstring text;
    const Item* item = PageExists() ? Find(id) : nullptr;
    if (item && IsEdit(item->kind))
        static_cast<const CColorEdit*>(item->control.get())->GetWindowTextW(text);
    return text;
}

long PluginPage::ComboSelection(int id) const noexcept {
    const Item* item = PageExists() ? Find(id) : nullptr;
    if (!item || !IsCombo(item->kind))
        return CB_ERR;
    const long index = static_cast<const CColorCombo*>(item->control.get())->GetCurSel();
    if (!item->values)
        return index;
    return index >= 0 && static_cast<size_t>(index) < item->valueCount ? item->values[index]
                                                                       : CB_ERR;
}

long PluginPage::EntryOf(const Item& item, long number) noexcept {
    if (!item.values)
        return number;
    // A value that no entry stands for shows the first entry.
    for (size_t i = 0; i < item.valueCount; ++i) {
        if (item.values[i] == number)
            return static_cast<long>(i);
    }
    return 0;
}
