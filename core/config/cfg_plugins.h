#pragma once
#include "cfg_data.h"
#include "plugin_params.h"

// The engine's plug-in lists as the store sees them, in list (name) order.
class CfgPlugins {
public:
    enum Group { kTransports, kFormats };

    virtual unsigned Count(Group group) = 0;
    virtual CfgData& Section(Group group, unsigned index) = 0;
    // Null when the record has no plug-in object at the moment.
    virtual PluginParams* Params(Group group, unsigned index) = 0;
    // Selects the plug-ins in use from the stored names (a comma-separated list of transports,
    // or one format's name); false, the selection as it was, when the names select none.
    // Called with the store's lock held: it must not wait for another thread that uses the
    // store, nor post an event.
    virtual bool Select(Group group, const wchar_t* names) = 0;

protected:
    ~CfgPlugins() = default;
};
