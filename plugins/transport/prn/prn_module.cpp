// The printer transport's library: its one class.
#include "plugin_module.h"
#include "prn_object.h"

namespace {
AggregatableClassFactory<CXFER_PrnObject> g_factory;
} // namespace

const PluginClass kPluginClasses[] = {
    {&kPrnTransportClsid, &g_factory, PluginKind::kTransport, L"QLX_TPlugin_Prn", 101, nullptr},
};
const size_t kPluginClassCount = sizeof(kPluginClasses) / sizeof(kPluginClasses[0]);
