// The class table of xfer_http: the HTTP transport alone.
#include "plugin_module.h"
#include "xfer_http_ids.h"
#include "xfer_http_object.h"

namespace {
AggregatableClassFactory<CXFER_HTTPObject> g_factory;
} // namespace

const PluginClass kPluginClasses[] = {
    {&kHttpTransportClsid, &g_factory, PluginKind::kTransport, L"QLX_TPlugin_HTTP", kHttpBitmapId,
     nullptr},
};
const size_t kPluginClassCount = sizeof(kPluginClasses) / sizeof(kPluginClasses[0]);
