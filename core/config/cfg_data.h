#pragma once
#include <windows.h>
#include <oleauto.h>

#include <map>
#include <string>

#include "cfg_context.h"
#include "cfg_value.h"
#include "plugin_params.h"

// Orders names by their UTF-16 code units compared as unsigned numbers.
struct CfgNameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

// One configuration section: the core's ("Core") or one plug-in's (named after the plug-in).
// Every operation takes the context's lock, so sections can be used from any thread.
// `changed` rises when a value changes while a user interface is connected and falls with
// each successful save or load of the section.
class CfgData {
public:
    static constexpr const wchar_t* kCoreSection = L"Core";

    CfgData(CfgContext& context, const wchar_t* section);
    CfgData(const CfgData&) = delete;
    CfgData& operator=(const CfgData&) = delete;

    const WString& Section() const { return section_; }
    CfgContext& Context() const { return context_; }

    // A copy of the value, created as a new value when missing.
    CfgValue Get(const wchar_t* name);
    // A copy of the value when there is one; never creates.
    bool Find(const wchar_t* name, CfgValue* value = nullptr) const;
    // Declares or replaces a value; does not count as a change.
    void Set(const wchar_t* name, const CfgValue& value);
    void Clear();
    // Replaces every value by those the plug-in's descriptor declares.
    void ParseLayout(const wchar_t* descriptor);

    // Sets a value from a client's VARIANT. False (logged) when the type does not suit the
    // value's kind; the value stays. Announces the change, or VT_EMPTY when there was none.
    bool PutValue(const wchar_t* name, const VARIANT& value);
    // The value as a VARIANT the caller owns: VT_I4, VT_BSTR (plain) or VT_ARRAY|VT_UI1.
    HRESULT GetValue(const wchar_t* name, VARIANT* value);
    // Sets a text whatever the kind; true when it changed.
    bool PutString(const wchar_t* name, const wchar_t* text);

    // Pushes every value into the plug-in, then has it refresh its settings page.
    void ApplyToPlugin(PluginParams& target);
    // Resets the plug-in to its defaults and reads every value back.
    void PutValues(PluginParams& target);

    bool Changed() const;
    void SetChanged(bool changed);

    // The section from or to one registry key (full path under root). A save does nothing
    // unless the section changed; E_FAIL when the key can't be opened, a value can't be set
    // or a byte array's file can't be written (the stored value is kept then).
    HRESULT int_Load(HKEY root, const std::wstring& keyPath);
    HRESULT int_Save(HKEY root, const std::wstring& keyPath);

private:
    using Entries = std::map<std::wstring, CfgValue, CfgNameLess>;

    CfgValue& Entry(const wchar_t* name);
    bool TakeVariant(CfgValue& value, const VARIANT& variant, bool* changed);
    void Announce(const wchar_t* name, const VARIANT& newVal);
    void ReadBack(PluginParams& target, const std::wstring& name, CfgValue& value);
    void LoadValue(HKEY key, const std::wstring& name, CfgValue& value);
    HRESULT SaveValue(HKEY key, const std::wstring& name, CfgValue& value);
    HRESULT SaveByteArray(HKEY key, const std::wstring& name, CfgValue& value);

    CfgContext& context_;
    WString section_;
    Entries entries_;
    bool changed_ = false;
};
