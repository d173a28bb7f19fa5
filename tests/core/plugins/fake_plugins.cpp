#include "fake_plugins.h"

#include <mutex>

#include "class_factory.h"
#include "com_object.h"
#include "plugin_categories.h"
#include "qlx_rplugin.h"
#include "qlx_tplugin.h"
#include "registration.h"

namespace {

HRESULT CopyText(const std::wstring& text, BSTR* out) {
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The parameter members of one object, over the class's description.
class FakeParameters {
public:
    explicit FakeParameters(std::shared_ptr<FakePluginClass> description)
        : class_(std::move(description)), values_(class_->defaults) {
        ++class_->created;
        ++class_->alive;
    }
    ~FakeParameters() { --class_->alive; }

    HRESULT Get(BSTR name, VARIANT* value) {
        ++class_->getCalls;
        if (!value)
            return E_POINTER;
        std::lock_guard<std::mutex> guard(lock_);
        auto it = values_.find(name ? name : L"");
        if (it == values_.end())
            return E_FAIL;
        VariantInit(value);
        return VariantCopy(value, &it->second);
    }
    HRESULT Put(BSTR name, const VARIANT& value) {
        ++class_->putCalls;
        std::lock_guard<std::mutex> guard(lock_);
        auto it = values_.find(name ? name : L"");
        if (it == values_.end())
            return E_FAIL;
        return it->second.CopyFrom(&value);
    }
    HRESULT Update(long reason) {
        ++class_->updateCalls;
        class_->lastUpdateReason = reason;
        return S_OK;
    }
    HRESULT Reset() {
        ++class_->resetCalls;
        std::lock_guard<std::mutex> guard(lock_);
        values_ = class_->defaults;
        return S_OK;
    }
    HRESULT Name(BSTR* out) {
        if (FAILED(class_->nameResult))
            return class_->nameResult;
        return CopyText(class_->name, out);
    }
    HRESULT Layout(BSTR* out) {
        if (FAILED(class_->layoutResult))
            return class_->layoutResult;
        return CopyText(class_->layout, out);
    }
    HRESULT Extension(BSTR* out) {
        if (FAILED(class_->extensionResult))
            return class_->extensionResult;
        return CopyText(class_->extension, out);
    }

private:
    std::shared_ptr<FakePluginClass> class_;
    std::mutex lock_;
    std::map<std::wstring, ComVariant> values_;
};

// IDispatch without type information: the core calls the plug-ins through their vtables.
#define FAKE_NO_DISPATCH                                                                           \
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {                                          \
        if (count)                                                                                 \
            *count = 0;                                                                            \
        return S_OK;                                                                               \
    }                                                                                              \
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override {                                   \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {                  \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)      \
        override {                                                                                 \
        return E_NOTIMPL;                                                                          \
    }

class FakeTransport : public IQLX_TPLUGIN, public ObjectBase {
public:
    explicit FakeTransport(std::shared_ptr<FakePluginClass> description)
        : params_(std::move(description)) {}
    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<FakeTransport, IQLX_TPLUGIN>(IID_IQLX_TPLUGIN),
            QiRow<FakeTransport, IDispatch, IQLX_TPLUGIN>(IID_IDispatch),
        };
        return table;
    }

    FAKE_NO_DISPATCH
    STDMETHODIMP GetParam(BSTR name, VARIANT* value) override { return params_.Get(name, value); }
    STDMETHODIMP PutParamUI(BSTR name, VARIANT value) override { return params_.Put(name, value); }
    STDMETHODIMP get_Name(BSTR* name) override { return params_.Name(name); }
    STDMETHODIMP get_Layout(BSTR* layout) override { return params_.Layout(layout); }
    STDMETHODIMP StartJob() override { return S_OK; }
    STDMETHODIMP Send(IRenderedCollection*, LONG, LONG) override { return S_OK; }
    STDMETHODIMP EndJob() override { return S_OK; }
    STDMETHODIMP PutParam(BSTR name, VARIANT value) override { return params_.Put(name, value); }
    STDMETHODIMP UpdateUI(LONG reason) override { return params_.Update(reason); }
    STDMETHODIMP ResetParams() override { return params_.Reset(); }

private:
    FakeParameters params_;
};

class FakeFormat : public IQLX_RPLUGIN, public ObjectBase {
public:
    explicit FakeFormat(std::shared_ptr<FakePluginClass> description)
        : params_(std::move(description)) {}
    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<FakeFormat, IQLX_RPLUGIN>(IID_IQLX_RPLUGIN),
            QiRow<FakeFormat, IDispatch, IQLX_RPLUGIN>(IID_IDispatch),
        };
        return table;
    }

    FAKE_NO_DISPATCH
    STDMETHODIMP GetParam(BSTR name, VARIANT* value) override { return params_.Get(name, value); }
    STDMETHODIMP PutParamUI(BSTR name, VARIANT value) override { return params_.Put(name, value); }
    STDMETHODIMP get_Name(BSTR* name) override { return params_.Name(name); }
    STDMETHODIMP get_Description(BSTR* description) override { return params_.Name(description); }
    STDMETHODIMP get_Layout(BSTR* layout) override { return params_.Layout(layout); }
    STDMETHODIMP StartPage(LONG, LONG, LONG) override { return S_OK; }
    STDMETHODIMP AddItem(LONG, LONG, LONG, LONG, BSTR, BSTR) override { return S_OK; }
    STDMETHODIMP EndPage(BSTR* text) override { return CopyText(L"", text); }
    STDMETHODIMP GetHeader(LONG, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetFooter(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Extension(BSTR* extension) override { return params_.Extension(extension); }
    STDMETHODIMP PutParam(BSTR name, VARIANT value) override { return params_.Put(name, value); }
    STDMETHODIMP UpdateUI() override { return params_.Update(-1); }
    STDMETHODIMP ResetParams() override { return params_.Reset(); }

private:
    FakeParameters params_;
};

// Makes objects of one fake class, or refuses as the class says.
class FakeFactory : public IClassFactory, public ObjectBase {
public:
    explicit FakeFactory(std::shared_ptr<FakePluginClass> description)
        : class_(std::move(description)) {}
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<FakeFactory, IClassFactory>(IID_IClassFactory)};
        return table;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (FAILED(class_->createResult))
            return class_->createResult;
        if (class_->kind == FakeKind::kTransport)
            return ComObject<FakeTransport>::Create(iid, out, class_);
        return ComObject<FakeFormat>::Create(iid, out, class_);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    std::shared_ptr<FakePluginClass> class_;
};

} // namespace

const GUID& CategoryOf(FakeKind kind) {
    return kind == FakeKind::kTransport ? CATID_QlxTransportPlugins : CATID_QlxRenderingPlugins;
}

FakePluginRegistration::FakePluginRegistration(std::shared_ptr<FakePluginClass> description)
    : class_(std::move(description)) {
    Register(true, false);
}

FakePluginRegistration::FakePluginRegistration(FakeKind kind, bool missingServer)
    : class_(std::make_shared<FakePluginClass>()) {
    class_->kind = kind;
    Register(false, missingServer);
}

std::unique_ptr<FakePluginRegistration> FakePluginRegistration::WithMissingServer(FakeKind kind) {
    return std::unique_ptr<FakePluginRegistration>(new FakePluginRegistration(kind, true));
}

void FakePluginRegistration::Register(bool classObject, bool missingServer) {
    result_ = CoCreateGuid(&clsid_);
    if (FAILED(result_))
        return;
    if (classObject) {
        ComPtr<IClassFactory> factory;
        result_ = ComObject<FakeFactory>::Create(IID_IClassFactory, factory.AsVoidOut(), class_);
        if (SUCCEEDED(result_))
            result_ = CoRegisterClassObject(clsid_, factory.Get(), CLSCTX_INPROC_SERVER,
                                            REGCLS_MULTIPLEUSE, &cookie_);
        if (FAILED(result_))
            return;
    }
    if (missingServer) {
        const std::wstring key = L"CLSID\\" + GuidText(clsid_) + L"\\InprocServer32";
        const wchar_t path[] = L"C:\\no such folder\\no_such_plugin.dll";
        LONG rc =
            RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, path, sizeof(path));
        if (rc != ERROR_SUCCESS) {
            result_ = HRESULT_FROM_WIN32(rc);
            return;
        }
    }
    result_ = RegisterImplementedCategory(clsid_, CategoryOf(class_->kind));
}

FakePluginRegistration::~FakePluginRegistration() {
    UnregisterImplementedCategory(clsid_, CategoryOf(class_->kind));
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(clsid_)).c_str());
    if (cookie_)
        CoRevokeClassObject(cookie_);
}

MalformedCategoryEntry::MalformedCategoryEntry(FakeKind kind)
    : key_(L"CLSID\\{0-not-a-class-id-" + std::to_wstring(GetCurrentProcessId()) + L"}") {
    const std::wstring category = key_ + L"\\Implemented Categories\\" + GuidText(CategoryOf(kind));
    HKEY created = nullptr;
    result_ = RegCreateKeyExW(HKEY_CLASSES_ROOT, category.c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &created, nullptr);
    if (created)
        RegCloseKey(created);
}

MalformedCategoryEntry::~MalformedCategoryEntry() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, key_.c_str());
}

std::shared_ptr<FakePluginClass> FakeTransportClass(const wchar_t* name, const wchar_t* layout,
                                                    std::map<std::wstring, ComVariant> defaults) {
    auto description = std::make_shared<FakePluginClass>();
    description->kind = FakeKind::kTransport;
    description->name = name;
    description->layout = layout;
    description->defaults = std::move(defaults);
    return description;
}

std::shared_ptr<FakePluginClass> FakeFormatClass(const wchar_t* name, const wchar_t* layout,
                                                 const wchar_t* extension,
                                                 std::map<std::wstring, ComVariant> defaults) {
    auto description = FakeTransportClass(name, layout, std::move(defaults));
    description->kind = FakeKind::kFormat;
    description->extension = extension;
    return description;
}
