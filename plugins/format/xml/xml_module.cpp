// The library's one class: the XML format.
#include "plugin_module.h"
#include "xml_plugin.h"

namespace {
AggregatableClassFactory<CRP_XMLObject> g_factory;
} // namespace

const PluginClass kPluginClasses[] = {
    {&kXmlClsid, &g_factory, PluginKind::kFormat, kXmlStem, kXmlBitmapId, nullptr},
};
const size_t kPluginClassCount = sizeof(kPluginClasses) / sizeof(kPluginClasses[0]);
