// The mail transport's library: one class.
#include "mail_object.h"
#include "plugin_module.h"

namespace {
AggregatableClassFactory<CXFER_MailObject> g_factory;
} // namespace

const PluginClass kPluginClasses[] = {
    {&CLSID_XFER_Mail, &g_factory, PluginKind::kTransport, L"QLX_TPlugin_Mail", 101, nullptr},
};
const size_t kPluginClassCount = sizeof(kPluginClasses) / sizeof(kPluginClasses[0]);
