// The library's one class: the text-with-layout format.
#include "plugin_module.h"
#include "twl_plugin.h"

namespace {
AggregatableClassFactory<CRP_TWLObject> g_factory;
} // namespace

const PluginClass kPluginClasses[] = {
    {&kTwlClsid, &g_factory, PluginKind::kFormat, kTwlStem, kTwlBitmapId,
     kTwlVersionedProgIdDescription},
};
const size_t kPluginClassCount = sizeof(kPluginClasses) / sizeof(kPluginClasses[0]);
