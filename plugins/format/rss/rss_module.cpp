// The library's one class: the RSS and Atom format.
#include "plugin_module.h"
#include "rss_plugin.h"

namespace {
AggregatableClassFactory<CRP_RSSObject> g_factory;
} // namespace

const PluginClass kPluginClasses[] = {
    {&kRssClsid, &g_factory, PluginKind::kFormat, kRssStem, kRssBitmapId, nullptr},
};
const size_t kPluginClassCount = sizeof(kPluginClasses) / sizeof(kPluginClasses[0]);
