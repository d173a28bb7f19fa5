// The clipboard transport's library: one class.
#include "clipboard_object.h"
#include "plugin_module.h"

namespace {
AggregatableClassFactory<CXFER_ClipboardObject> g_factory;
} // namespace

const PluginClass kPluginClasses[] = {
    {&CLSID_XFER_Clipboard, &g_factory, PluginKind::kTransport, L"QLX_TPlugin_Clipboard", 101,
     nullptr},
};
const size_t kPluginClassCount = sizeof(kPluginClasses) / sizeof(kPluginClasses[0]);
