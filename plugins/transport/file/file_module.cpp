// The library's one class: the file transport.
#include "file_transport.h"
#include "plugin_module.h"

namespace {
AggregatableClassFactory<CXFER_FileObject> g_factory;
} // namespace

const PluginClass kPluginClasses[] = {
    {&kFileTransportClsid, &g_factory, PluginKind::kTransport, L"QLX_TPlugin_File", 101, nullptr},
};
const size_t kPluginClassCount = sizeof(kPluginClasses) / sizeof(kPluginClasses[0]);
