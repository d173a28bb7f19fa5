#include "cqlx.h"

#include "cfg_store.h"
#include "com_bstr.h"
#include "com_result.h"
#include "com_variant.h"
#include "core_schema.h"
#include "error_ids.h"
#include "log.h"

namespace {

constexpr wchar_t kCoreTarget[] = L"Core";
constexpr wchar_t kPrinterSetting[] = L"Printer";

// Until plug-in discovery is built the engine runs without plug-ins.
class NoPlugins final : public CfgPlugins {
public:
    unsigned Count(Group) override { return 0; }
    CfgData& Section(Group, unsigned) override { return *static_cast<CfgData*>(nullptr); }
    PluginParams* Params(Group, unsigned) override { return nullptr; }
    void Select(Group, const wchar_t*) override {}
};

NoPlugins g_no_plugins;

} // namespace

HRESULT CQLX::LoadPlugins() {
    return S_OK;
}
void CQLX::UnloadPlugins() noexcept {}
void CQLX::ConnectPluginSinks() noexcept {}
void CQLX::DisconnectPluginSinks() noexcept {}
unsigned CQLX::ConnectedPluginSinks() noexcept {
    return 0;
}
void CQLX::UpdateTransportsUI(long) {}

void CQLX::OnPluginChangeParam(Kind, BSTR, BSTR, const VARIANT&) noexcept {}

HRESULT CQLX::put_PrinterImpl(const wchar_t* name) noexcept {
    return GuardedCall([&]() -> HRESULT {
        LogInfoStr(L'C', L"put_Printer {", name);
        bool same;
        ComPtr<IQLX_BSTR_Collection> own;
        {
            SrwGuard guard(state_lock_);
            same = printer_.Equals(name);
            own = own_printers_;
        }
        if (same) {
            ComVariant empty;
            poster_.PostOnSettingChanged(kCoreTarget, kPrinterSetting, empty);
            LogInfo(L'C', L"put_Printer }");
            return S_OK;
        }
        LONG index = -1;
        ComBstr asked(name);
        if (!own || FAILED(own->Contains(asked, &index)) || index < 0) {
            poster_.PostOnSettingChangeFailed(kCoreTarget, kPrinterSetting);
            return ReportError(IDS_INVALID_PRINTER_NAME, name);
        }
        {
            SrwGuard guard(state_lock_);
            printer_.Assign(name);
        }
        LogInfo(L'C', L"New printer applied");
        SetCoreDefaults(store_->Core());
        if (FAILED(store_->Load(name, g_no_plugins)))
            LogWarn(L'C', L"CFG Load Failed");
        ComVariant value(name);
        poster_.PostOnSettingChanged(kCoreTarget, kPrinterSetting, value);
        LogInfo(L'C', L"put_Printer }");
        return S_OK;
    });
}
