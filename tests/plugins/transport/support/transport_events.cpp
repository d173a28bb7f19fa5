#include "transport_events.h"

#include "qlx_tplugin.h"

TransportEvents::TransportEvents(IUnknown* plugin, const wchar_t* pluginName)
    : sink_(DIID__IQLX_TPlugin_Events), name_(pluginName) {
    ComPtr<IConnectionPointContainer> container;
    if (!plugin ||
        FAILED(plugin->QueryInterface(IID_IConnectionPointContainer, container.AsVoidOut())) ||
        FAILED(container->FindConnectionPoint(DIID__IQLX_TPlugin_Events, &point_)))
        return;
    if (FAILED(point_->Advise(&sink_, &cookie_)))
        cookie_ = 0;
}

TransportEvents::~TransportEvents() {
    if (point_ && cookie_)
        point_->Unadvise(cookie_);
}

std::wstring TransportEvents::Describe(size_t n) const {
    const RecordingSink::Event& event = sink_.events[n];
    if (event.args.empty() || sink_.Arg(n, 0) != name_)
        return L"event from another name";
    switch (event.dispid) {
    case 1:
        return L"change " + sink_.Arg(n, 1) + L"=" + sink_.Arg(n, 2);
    case 2:
        return L"error " + sink_.Arg(n, 1);
    case 3: {
        const std::wstring value = sink_.Arg(n, 1);
        return L"progress " + (value.size() > 1 && value[0] == L'#' ? value.substr(1) : value);
    }
    default:
        return L"unknown event " + std::to_wstring(event.dispid);
    }
}

std::vector<std::wstring> TransportEvents::Take() {
    std::vector<std::wstring> events;
    for (size_t n = 0; n < sink_.events.size(); ++n)
        events.push_back(Describe(n));
    sink_.events.clear();
    return events;
}

std::vector<long> TransportEvents::Progress() const {
    std::vector<long> values;
    for (size_t n = 0; n < sink_.events.size(); ++n) {
        if (sink_.events[n].dispid == 3 && sink_.events[n].args.size() == 2 &&
            sink_.events[n].args[1].vt == VT_I4)
            values.push_back(sink_.events[n].args[1].lVal);
    }
    return values;
}

std::vector<std::wstring> TransportEvents::Errors() const {
    std::vector<std::wstring> messages;
    for (size_t n = 0; n < sink_.events.size(); ++n) {
        if (sink_.events[n].dispid == 2)
            messages.push_back(sink_.Arg(n, 1));
    }
    return messages;
}
