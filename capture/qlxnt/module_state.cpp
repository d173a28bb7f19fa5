#include "module_state.h"

#include "module_ids.h"
#include "product_key.h"
#include "registry.h"

namespace {

HINSTANCE g_instance = nullptr;
DWORD g_splitThreshold = kDefaultSplitThreshold;

GlyphMapCache& Cache() {
    static GlyphMapCache cache;
    return cache;
}

} // namespace

namespace Module {

void Attach(HINSTANCE instance) {
    g_instance = instance;
    LoadProductKey(instance, kProductKeyStringId);
    ReadRegDword(HKEY_LOCAL_MACHINE, &g_splitThreshold, kDefaultSplitThreshold, L"SplitThreshold");
}

void Detach() {
    Cache().Clear();
}

HINSTANCE Instance() {
    return g_instance;
}

DWORD SplitThreshold() {
    return g_splitThreshold;
}

GlyphMapCache& GlyphMaps() {
    return Cache();
}

} // namespace Module
