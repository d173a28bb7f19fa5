#pragma once
#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "com_result.h"
#include "com_variant.h"
#include "critical_section.h"
#include "param_table.h"
#include "plugin_page.h"
#include "variant_param.h"

// What a plug-in is called and how it describes its parameters. description and extension are
// for format plug-ins (null for a transport); pageId is the dialog resource of its settings page.
struct PluginDescriptor {
    const wchar_t* name;
    const wchar_t* layout;
    const wchar_t* description;
    const wchar_t* extension;
    int pageId;
};

// The parameter half of every plug-in: its values (the struct P, whose default member values are
// the plug-in's defaults) under a lock, since the core's send and job threads read them while
// the page or a client changes them, and the parameter methods over the plug-in's rows. A
// parameter method compares the name with each row in the plug-in's order, fires no event, and
// touches a page control only through PutParamUI and UpdateUI while the page exists.
template <class P> class CPluginBase : protected PluginPage {
public:
    using Params = P;

    CPluginBase(const PluginDescriptor& descriptor, RowList<ParamRow<P>> params,
                RowList<PageControl> page) noexcept
        : PluginPage(page), descriptor_(descriptor), params_(params) {}

    // A copy of every value, for a job: taken under the lock, used without it. Throws bad_alloc.
    P CopyParams() const {
        CriticalSectionLock hold(lock_);
        return values_;
    }
    const std::wstring& Name() const { return name_; }

protected:
    // The first half of FinalConstruct: the plug-in's names; no page yet.
    HRESULT InitDescriptor() noexcept {
        try {
            name_ = descriptor_.name ? descriptor_.name : L"";
            layout_ = descriptor_.layout ? descriptor_.layout : L"";
            description_ = descriptor_.description ? descriptor_.description : L"";
            extension_ = descriptor_.extension ? descriptor_.extension : L"";
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

    HRESULT GetParamValue(BSTR name, VARIANT* value) noexcept {
        if (!value)
            return E_POINTER;
        const ParamRow<P>* row = FindParam(params_, name);
        if (!row)
            return E_FAIL;
        CriticalSectionLock hold(lock_);
        if (row->text)
            return StringToVariant(values_.*(row->text), value);
        if (row->bytes)
            return BytesToVariant(values_.*(row->bytes), value);
        return LongToVariant(values_.*(row->number), value);
    }

    // Stores a client's value; with toControl also shows it in its page control.
    HRESULT PutParamValue(BSTR name, const VARIANT& value, bool toControl) noexcept {
        const ParamRow<P>* row = FindParam(params_, name);
        if (!row)
            return E_FAIL;
        if (row->text) {
            std::wstring text;
            RETURN_IF_FAILED(StringFromVariant(value, &text));
            // The edit gets the text before the member does, as a user's edit would come.
            if (toControl)
                ShowText(row->controlId, text);
            CriticalSectionLock hold(lock_);
            values_.*(row->text) = std::move(text);
            return S_OK;
        }
        if (row->bytes) {
            std::vector<unsigned char> bytes;
            RETURN_IF_FAILED(BytesFromVariant(value, &bytes));
            CriticalSectionLock hold(lock_);
            values_.*(row->bytes) = std::move(bytes);
            return S_OK;
        }
        long number = 0;
        RETURN_IF_FAILED(LongFromVariant(value, &number));
        if (toControl)
            number = ValueForPage(*row, number);
        {
            CriticalSectionLock hold(lock_);
            values_.*(row->number) = number;
        }
        if (toControl)
            ShowNumber(row->controlId, number);
        return S_OK;
    }

    // Copies every value into its control, in the plug-in's order; nothing without a page.
    HRESULT ShowAllParams() noexcept {
        if (!PageExists())
            return S_OK;
        return GuardedCall([&] {
            const P values = CopyParams();
            for (const ParamRow<P>& row : params_) {
                if (row.text)
                    ShowText(row.controlId, values.*(row.text));
                else if (row.number)
                    ShowNumber(row.controlId, values.*(row.number));
            }
            return S_OK;
        });
    }

    // Gives every long parameter the value the page reads it as (ValueForPage), page or not.
    void ReadValuesAsPage() noexcept {
        CriticalSectionLock hold(lock_);
        for (const ParamRow<P>& row : params_) {
            if (row.number)
                values_.*(row.number) = ValueForPage(row, values_.*(row.number));
        }
    }

    HRESULT ResetValues() noexcept {
        return GuardedCall([&] {
            P defaults{};
            CriticalSectionLock hold(lock_);
            KeepOnReset(values_, defaults);
            values_ = std::move(defaults);
            return S_OK;
        });
    }

    // A plug-in whose reset leaves some values as they are copies them into the defaults here
    // (called under the parameters' lock).
    virtual void KeepOnReset(const P& /*current*/, P& /*defaults*/) const {}
    // The value a long parameter takes when it comes through PutParamUI or a format plug-in's
    // UpdateUI: a plug-in whose page reads some value as another maps it here.
    virtual long ValueForPage(const ParamRow<P>& /*row*/, long value) const noexcept {
        return value;
    }
    // Runs change(values) under the lock, for a plug-in that checks or corrects its own values.
    template <class Change> void ChangeParams(Change&& change) {
        CriticalSectionLock hold(lock_);
        change(values_);
    }

    static HRESULT CopyOut(const std::wstring& text, BSTR* out) noexcept {
        if (!out)
            return E_POINTER;
        return StringToBstr(text, out);
    }

    // The page's change handlers: store what the user did and tell the host.
    void OnControlChanged(int id, int code) noexcept override {
        const ParamRow<P>* row = FindParamOfControl(params_, id);
        const PageControl* control = FindControl(Controls(), id);
        if (!row || !control)
            return;
        GuardedCall([&] {
            ComVariant value;
            if (row->text && IsEdit(control->kind) && code == EN_CHANGE) {
                std::wstring text = EditText(id);
                RETURN_IF_FAILED(StringToVariant(text, &value));
                CriticalSectionLock hold(lock_);
                values_.*(row->text) = std::move(text);
            } else if (row->number && control->kind == PageControlKind::kCheckBox &&
                       code == BN_CLICKED) {
                long now;
                {
                    CriticalSectionLock hold(lock_);
                    now = values_.*(row->number) == 0 ? 1 : 0;
                    values_.*(row->number) = now;
                }
                // The member is the source; the box shows it even when a client had put a value
                // the box did not show.
                ShowNumber(id, now);
                LongToVariant(now, &value);
            } else if (row->number && IsCombo(control->kind) && code == CBN_SELCHANGE) {
                const long index = ComboSelection(id);
                {
                    CriticalSectionLock hold(lock_);
                    values_.*(row->number) = index;
                }
                LongToVariant(index, &value);
            } else {
                return S_FALSE;
            }
            FireParamChange(row->name, value);
            return S_OK;
        });
    }

    // Fires OnChangeParam(name, param, value); the COM object owns the event point.
    virtual void FireParamChange(const wchar_t* param, const VARIANT& value) noexcept = 0;

    std::wstring name_, layout_, description_, extension_;

private:
    static bool IsEdit(PageControlKind kind) {
        return kind == PageControlKind::kEdit || kind == PageControlKind::kPasswordEdit ||
               kind == PageControlKind::kMultilineEdit;
    }
    static bool IsCombo(PageControlKind kind) {
        return kind == PageControlKind::kCombo || kind == PageControlKind::kSwitchCombo;
    }

    const PluginDescriptor& descriptor_;
    RowList<ParamRow<P>> params_;
    mutable CriticalSection lock_;
    P values_{};
};
