#pragma once
#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "class_factory.h"
#include "com_object.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "connection_point.h"
#include "qlx_rplugin.h"
#include "qlx_tplugin.h"

// Plug-ins for the engine's tests: one object per class, handed to every activation, with the
// events of its kind as a connection point, so a test can count the engine's sinks on it and
// fire events at them. They keep the parameters put into them (ResetParams forgets them; a
// parameter never put has no value). Their IDispatch answers nothing: the engine calls them
// through their vtables.
template <class Itf>
class FakePluginBase : public Itf, public IConnectionPointContainer, public ObjectBase {
public:
    FakePluginBase(REFIID events, const wchar_t* name, const wchar_t* layout)
        : events_(this, events), name_(name), layout_(layout) {}

    size_t SinkCount() noexcept { return events_.SinkCount(); }
    // OnChangeParam(name, param, value) to every sink.
    void FireChangeParam(const wchar_t* param, const VARIANT& value) noexcept;
    // Any event, with arguments of the test's choosing (a caller's null error-position pointer
    // included); the number of sinks called.
    size_t Fire(DISPID id, DISPPARAMS* params) noexcept { return events_.FireDispatch(id, params); }
    LONG PutParamCalls() const { return put_calls_; }
    LONG PutParamUICalls() const { return put_ui_calls_; }
    // The parameter as the plug-in holds it: "<none>" when it has none, else its text or number.
    std::wstring Value(const wchar_t* name);

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override;
    STDMETHODIMP GetParam(BSTR name, VARIANT* value) override;
    STDMETHODIMP PutParamUI(BSTR name, VARIANT value) override;
    STDMETHODIMP get_Name(BSTR* name) override;
    STDMETHODIMP get_Layout(BSTR* layout) override;
    STDMETHODIMP PutParam(BSTR name, VARIANT value) override;
    STDMETHODIMP ResetParams() override;

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

protected:
    ConnectionPoint events_;
    std::wstring name_;
    std::wstring layout_;
    volatile LONG put_calls_ = 0;
    volatile LONG put_ui_calls_ = 0;
    SRWLOCK values_lock_ = SRWLOCK_INIT;
    std::map<std::wstring, ComVariant> values_;
};

class FakeTransport : public FakePluginBase<IQLX_TPLUGIN> {
public:
    FakeTransport(const wchar_t* name, const wchar_t* layout)
        : FakePluginBase(DIID__IQLX_TPlugin_Events, name, layout) {}
    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<FakeTransport, IQLX_TPLUGIN>(IID_IQLX_TPLUGIN),
            QiRow<FakeTransport, IDispatch, IQLX_TPLUGIN>(IID_IDispatch),
            QiRow<FakeTransport, IConnectionPointContainer>(IID_IConnectionPointContainer),
        };
        return table;
    }
    // OnError(name, message) and OnProgress(name, value) to every sink.
    void FireError(const wchar_t* message) noexcept;
    void FireProgress(long value) noexcept;

    // The job calls as received ("StartJob", "Send(whole,page)", "EndJob"), and the pages that
    // each Send read, in order, through the collection's Count and GetItem.
    std::vector<std::wstring> Calls();
    std::vector<std::wstring> PagesRead();
    void ClearCalls();
    // The call that answers E_FAIL from now on: "StartJob", "Send", "EndJob" or "" for none.
    void FailAt(const std::wstring& call);
    // Runs inside Send, before the pages are read, on the send thread.
    void SetDuringSend(std::function<void(IRenderedCollection*)> action);

    STDMETHODIMP StartJob() override;
    STDMETHODIMP Send(IRenderedCollection* pages, LONG whole, LONG page) override;
    STDMETHODIMP EndJob() override;
    STDMETHODIMP UpdateUI(LONG) override { return S_OK; }

private:
    HRESULT Record(const std::wstring& call, const wchar_t* kind);

    SRWLOCK calls_lock_ = SRWLOCK_INIT;
    std::vector<std::wstring> calls_;
    std::vector<std::wstring> read_;
    std::wstring fail_at_;
    std::function<void(IRenderedCollection*)> during_send_;
};

class FakeFormat : public FakePluginBase<IQLX_RPLUGIN> {
public:
    FakeFormat(const wchar_t* name, const wchar_t* layout)
        : FakePluginBase(DIID__IQLX_RPlugin_Events, name, layout) {}
    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<FakeFormat, IQLX_RPLUGIN>(IID_IQLX_RPLUGIN),
            QiRow<FakeFormat, IDispatch, IQLX_RPLUGIN>(IID_IDispatch),
            QiRow<FakeFormat, IConnectionPointContainer>(IID_IConnectionPointContainer),
        };
        return table;
    }
    // The texts it gave for the pages, in order: "index:" and the runs joined by "|"; with
    // plain text on, the runs alone, one after the other.
    std::vector<std::wstring> Rendered();
    void SetPlainText(bool on) { plain_ = on; }
    // What GetHeader and GetFooter give; empty (the default): they are not implemented.
    void SetHeaderFooter(const std::wstring& header, const std::wstring& footer);
    void ClearRendered();

    STDMETHODIMP get_Description(BSTR* text) override;
    STDMETHODIMP StartPage(LONG page, LONG, LONG) override;
    STDMETHODIMP AddItem(LONG, LONG, LONG, LONG, BSTR text, BSTR) override;
    STDMETHODIMP EndPage(BSTR* text) override;
    STDMETHODIMP GetHeader(LONG, BSTR* text) override;
    STDMETHODIMP GetFooter(BSTR* text) override;
    STDMETHODIMP get_Extension(BSTR* text) override;
    STDMETHODIMP UpdateUI() override { return S_OK; }

private:
    SRWLOCK render_lock_ = SRWLOCK_INIT;
    volatile bool plain_ = false;
    std::wstring header_;
    std::wstring footer_;
    std::wstring page_;
    std::vector<std::wstring> rendered_;
};

// Hands out its one object to every activation while it is registered.
class FakePluginFactory final : public StaticClassFactory {
public:
    explicit FakePluginFactory(IUnknown* object) : object_(object) {}
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;

private:
    ComPtr<IUnknown> object_;
};

// The fake plug-ins "Alpha" and "Beta" (transports, layout "Lcount,Bpath,Epassword") and "Plain"
// (format, layout "Lwidth"), registered in this
// process's class table (in process) and in the plug-in categories for as long as the set
// lives. Tests and programs that use it hold the ctest lock "plugin_categories".
class FakePluginSet {
public:
    FakePluginSet();
    ~FakePluginSet();
    FakePluginSet(const FakePluginSet&) = delete;
    FakePluginSet& operator=(const FakePluginSet&) = delete;

    HRESULT Result() const { return result_; }
    // Null when there is no transport of that name.
    FakeTransport* Transport(const wchar_t* name);
    FakeFormat* Format() { return format_; }
    // Sinks connected on every fake, one count per plug-in.
    std::vector<size_t> SinkCounts();

private:
    struct Entry;
    HRESULT Register(const CLSID& clsid, IUnknown* object, REFGUID category);

    std::vector<Entry*> entries_;
    std::vector<FakeTransport*> transports_;
    FakeFormat* format_ = nullptr;
    HRESULT result_ = S_OK;
};
