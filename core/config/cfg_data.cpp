#include "cfg_data.h"

#include "com_bstr.h"
#include "com_result.h"
#include "com_variant.h"
#include "data_files.h"
#include "log.h"
#include "param_layout.h"
#include "reg_key.h"
#include "registry_values.h"
#include "scramble.h"
#include "variant_values.h"

namespace {

constexpr wchar_t kSource = L'C';

SAFEARRAY* NewEmptyByteArray() {
    return SafeArrayCreateVector(VT_UI1, 0, 0);
}

} // namespace

bool CfgNameLess::operator()(const std::wstring& a, const std::wstring& b) const {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned short>(a[i]);
        const auto cb = static_cast<unsigned short>(b[i]);
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

CfgData::CfgData(CfgContext& context, const wchar_t* section)
    : context_(context), section_(section ? section : L"") {}

CfgValue& CfgData::Entry(const wchar_t* name) {
    return entries_[name ? name : L""];
}

CfgValue CfgData::Get(const wchar_t* name) {
    CfgLockGuard guard(context_.lock);
    return Entry(name);
}

bool CfgData::Find(const wchar_t* name, CfgValue* value) const {
    CfgLockGuard guard(context_.lock);
    auto it = entries_.find(name ? name : L"");
    if (it == entries_.end())
        return false;
    if (value)
        *value = it->second;
    return true;
}

void CfgData::Set(const wchar_t* name, const CfgValue& value) {
    CfgLockGuard guard(context_.lock);
    Entry(name) = value;
}

void CfgData::Clear() {
    CfgLockGuard guard(context_.lock);
    entries_.clear();
}

void CfgData::ParseLayout(const wchar_t* descriptor) {
    const ParamLayout layout = ParamLayout::Parse(descriptor);
    CfgLockGuard guard(context_.lock);
    entries_.clear();
    for (const ParamLayout::Param& param : layout.params)
        entries_[param.name] = CfgValue(param.kind);
}

bool CfgData::Changed() const {
    CfgLockGuard guard(context_.lock);
    return changed_;
}

void CfgData::SetChanged(bool changed) {
    CfgLockGuard guard(context_.lock);
    changed_ = changed;
}

// Takes the VARIANT into the value when its type suits the kind; *changed tells whether the
// stored value differs now.
bool CfgData::TakeVariant(CfgValue& value, const VARIANT& variant, bool* changed) {
    switch (value.kind) {
    case kCfgLong: {
        LONG number = 0;
        if (!LongFromVariant(variant, &number)) {
            LogErrorNum(kSource, L"Wrong data type for long value", variant.vt);
            return false;
        }
        *changed = number != value.number;
        value.number = number;
        return true;
    }
    case kCfgByteArray:
        if (!IsByteArrayVariant(variant)) {
            LogErrorNum(kSource, L"Wrong data type for array value", variant.vt);
            return false;
        }
        if (variant.parray) {
            SafeByteArray copy;
            if (!copy.CopyFrom(variant.parray)) {
                LogError(kSource, L"Cannot copy array value");
                return false;
            }
            value.bytes.Attach(copy.Detach());
        } else {
            value.bytes.Attach(NewEmptyByteArray());
        }
        // The file stays until the empty array is saved to the tree that names it: this value
        // may have come from a tree (or printer) whose stored configuration must not change.
        if (value.bytes.Count() == 0)
            value.text.Clear();
        LogInfoNum(kSource, L"Received array of", static_cast<long>(value.bytes.Count()));
        *changed = true;
        return true;
    default:
        if (variant.vt != VT_BSTR) {
            LogErrorNum(kSource, L"Wrong data type for string value", variant.vt);
            return false;
        }
        *changed = !value.text.Equals(variant.bstrVal ? variant.bstrVal : L"");
        if (*changed && !value.text.Assign(variant.bstrVal))
            return false;
        return true;
    }
}

void CfgData::Announce(const wchar_t* name, const VARIANT& newVal) {
    if (!context_.engine)
        return;
    ComBstr target(section_.c_str());
    ComBstr param(name ? name : L"");
    context_.engine->PostOnSettingChanged(target, param, newVal);
}

bool CfgData::PutValue(const wchar_t* name, const VARIANT& value) {
    bool changed = false;
    {
        CfgLockGuard guard(context_.lock);
        if (!TakeVariant(Entry(name), value, &changed))
            return false;
        if (changed && context_.engine && context_.engine->UILoadedCount() > 0)
            changed_ = true;
    }
    // Announced outside the lock: listeners may call back into the store.
    if (changed) {
        Announce(name, value);
    } else {
        ComVariant empty;
        Announce(name, empty);
    }
    return true;
}

HRESULT CfgData::GetValue(const wchar_t* name, VARIANT* value) {
    if (!value)
        return E_POINTER;
    VariantInit(value);
    CfgLockGuard guard(context_.lock);
    const CfgValue& stored = Entry(name);
    switch (stored.kind) {
    case kCfgLong:
        value->vt = VT_I4;
        value->lVal = stored.number;
        return S_OK;
    case kCfgByteArray: {
        SAFEARRAY* copy = nullptr;
        if (stored.bytes.Array() && FAILED(SafeArrayCopy(stored.bytes.Array(), &copy)))
            return E_OUTOFMEMORY;
        value->vt = VT_ARRAY | VT_UI1;
        value->parray = copy;
        return S_OK;
    }
    default:
        value->bstrVal = SysAllocStringLen(stored.text.c_str(), stored.text.Length());
        if (!value->bstrVal)
            return E_OUTOFMEMORY;
        value->vt = VT_BSTR;
        return S_OK;
    }
}

bool CfgData::PutString(const wchar_t* name, const wchar_t* text) {
    const wchar_t* newText = text ? text : L"";
    bool changed = false;
    {
        CfgLockGuard guard(context_.lock);
        CfgValue& value = Entry(name);
        changed = !value.text.Equals(newText) && value.text.Assign(newText);
        if (changed && context_.engine && context_.engine->UILoadedCount() > 0)
            changed_ = true;
    }
    ComVariant announced;
    if (changed)
        announced = ComVariant(newText);
    Announce(name, announced);
    return changed;
}

void CfgData::ApplyToPlugin(PluginParams& target) {
    CfgLockGuard guard(context_.lock);
    for (auto& [name, value] : entries_) {
        ComBstr param(name.c_str(), static_cast<UINT>(name.size()));
        // Borrowed contents: the plug-in copies what it keeps, the store keeps ownership.
        VARIANT borrowed;
        VariantInit(&borrowed);
        if (value.kind == kCfgLong) {
            borrowed.vt = VT_I4;
            borrowed.lVal = value.number;
        } else if (value.kind == kCfgByteArray) {
            borrowed.vt = VT_ARRAY | VT_UI1;
            borrowed.parray = value.bytes.Array();
        } else {
            borrowed.vt = VT_BSTR;
            borrowed.bstrVal = value.text.GetBSTR();
        }
        HRESULT hr = target.PutParam(param, borrowed);
        if (FAILED(hr))
            LogWarnStr(kSource, L"ApplyToPlugin: plugin refused", name.c_str());
    }
    target.UpdateUI();
}

// Takes one value back from the plug-in. A failed call or a VARIANT that does not suit the
// value's kind gives the value's empty default: keeping the old one would carry another
// printer's setting over.
void CfgData::ReadBack(PluginParams& target, const std::wstring& name, CfgValue& value) {
    LogInfoStr(kSource, L"PutValues: GetValue", name.c_str());
    ComBstr param(name.c_str(), static_cast<UINT>(name.size()));
    ComVariant got;
    const HRESULT hr = target.GetParam(param, &got);
    bool taken = false;
    if (SUCCEEDED(hr)) {
        if (value.kind == kCfgLong) {
            taken = LongFromVariant(got, &value.number);
        } else if (value.kind == kCfgByteArray) {
            if (IsByteArrayVariant(got)) {
                value.bytes.Attach(got.parray ? got.parray : NewEmptyByteArray());
                got.parray = nullptr;
                got.vt = VT_EMPTY;
                value.text.Clear();
                taken = true;
            }
        } else if (got.vt == VT_BSTR) {
            taken = value.text.Assign(got.bstrVal);
        }
    }
    if (!taken) {
        LogErrorStr(kSource,
                    SUCCEEDED(hr) ? L"PutValues: wrong data type for"
                                  : L"PutValues: GetParam failed for",
                    name.c_str());
        value.Reset();
    }
}

void CfgData::PutValues(PluginParams& target) {
    CfgLockGuard guard(context_.lock);
    LogInfo(kSource, L"PutValues: InitValues");
    target.ResetParams();
    for (auto& [name, value] : entries_)
        ReadBack(target, name, value);
}

void CfgData::LoadValue(HKEY key, const std::wstring& name, CfgValue& value) {
    if (value.kind == kCfgLong) {
        DWORD number = 0;
        if (ReadDwordValue(key, name.c_str(), &number))
            value.number = static_cast<LONG>(number);
        return;
    }
    std::wstring text;
    if (!ReadStringValue(key, name.c_str(), &text))
        return;
    if (value.kind == kCfgString) {
        value.text.Assign(text.c_str(), static_cast<unsigned>(text.size()));
    } else if (value.kind == kCfgProtectedString) {
        UnscrambleString(value.text, text.c_str());
    } else if (text.empty()) {
        value.text.Clear();
        value.bytes.Attach(NewEmptyByteArray());
        LogInfo(kSource, L"Read empty array");
    } else if (value.bytes.LoadFile(text.c_str())) {
        value.text.Assign(text.c_str());
        LogInfoNum(kSource, L"Read from file array:", static_cast<long>(value.bytes.Count()));
    } else {
        value.text.Clear();
        value.bytes.Attach(NewEmptyByteArray());
        LogErrorStr(kSource, L"Cannot read from file", text.c_str());
    }
}

HRESULT CfgData::int_Load(HKEY root, const std::wstring& keyPath) {
    CfgLockGuard guard(context_.lock);
    RegKey key;
    if (!key.Open(root, keyPath.c_str(), KEY_READ))
        return E_FAIL;
    for (auto& [name, value] : entries_)
        LoadValue(key.Get(), name, value);
    changed_ = false;
    return S_OK;
}

// The file a byte array is saved to is the one the destination key names already, so a file
// belongs to one printer and one tree: a value loaded elsewhere never rewrites or deletes
// another configuration's file. The new bytes go to a fresh file that then replaces the old
// one, so a failed write leaves the stored bytes whole.
HRESULT CfgData::SaveByteArray(HKEY key, const std::wstring& name, CfgValue& value) {
    std::wstring stored;
    const bool ownsFile =
        ReadStringValue(key, name.c_str(), &stored) && IsInDataFolder(context_.dataFolder, stored);
    if (value.bytes.Count() == 0) {
        LogInfo(kSource, L"Empty array saved");
        if (WriteStringValue(key, name.c_str(), L"", 0) != ERROR_SUCCESS)
            return E_FAIL;
        if (ownsFile)
            DeleteFileW(stored.c_str());
        value.text.Clear();
        return S_OK;
    }
    std::wstring fresh;
    if (!CreateDataFile(context_.dataFolder, &fresh)) {
        LogErrorStr(kSource, L"Error generating filename", context_.dataFolder.c_str());
        return E_FAIL;
    }
    LogInfoStr(kSource, L"Generated filename", fresh.c_str());
    const std::wstring& path = ownsFile ? stored : fresh;
    bool saved = value.bytes.SaveFile(fresh.c_str());
    if (saved && ownsFile)
        saved = MoveFileExW(fresh.c_str(), stored.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (saved)
        saved = WriteStringValue(key, name.c_str(), path.c_str(), path.size()) == ERROR_SUCCESS;
    if (!saved) {
        LogErrorStr(kSource, L"Error saving array to file", path.c_str());
        DeleteFileW(fresh.c_str());
        return E_FAIL;
    }
    value.text.Assign(path.c_str());
    return S_OK;
}

HRESULT CfgData::SaveValue(HKEY key, const std::wstring& name, CfgValue& value) {
    switch (value.kind) {
    case kCfgLong:
        return WriteDwordValue(key, name.c_str(), static_cast<DWORD>(value.number)) == ERROR_SUCCESS
                   ? S_OK
                   : E_FAIL;
    case kCfgString:
        return WriteStringValue(key, name.c_str(), value.text.c_str(), value.text.Length()) ==
                       ERROR_SUCCESS
                   ? S_OK
                   : E_FAIL;
    case kCfgProtectedString: {
        WStringBase scrambled;
        ScrambleString(scrambled, value.text.c_str());
        return WriteStringValue(key, name.c_str(), scrambled.c_str(), scrambled.Length()) ==
                       ERROR_SUCCESS
                   ? S_OK
                   : E_FAIL;
    }
    default:
        return SaveByteArray(key, name, value);
    }
}

HRESULT CfgData::int_Save(HKEY root, const std::wstring& keyPath) {
    CfgLockGuard guard(context_.lock);
    if (!changed_) {
        LogInfo(kSource, L"CFG Save: not changed");
        return S_OK;
    }
    HKEY opened = nullptr;
    const LONG rc =
        RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE | kProductKeyView, nullptr, &opened, nullptr);
    LogInfoNum(kSource, L"CfgData::Save CreateKey:", rc);
    if (rc != ERROR_SUCCESS)
        return E_FAIL;
    RegKey key(opened);
    // A value that can't be saved keeps what was stored for it and the section stays changed
    // for a retry; the other values are still written.
    HRESULT result = S_OK;
    for (auto& [name, value] : entries_) {
        HRESULT hr = SaveValue(key.Get(), name, value);
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    if (SUCCEEDED(result))
        changed_ = false;
    return result;
}
