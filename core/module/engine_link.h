#pragma once
#include <windows.h>

#include "printer_watch.h"

// Reaches the engine as an ordinary client of the server's own class (local server), holding
// it only during each call.
class EngineLink final : public PrinterChangeSink {
public:
    explicit EngineLink(const CLSID& clsid) noexcept : clsid_(clsid) {}
    HRESULT AddRemovePrinter() override;
    HRESULT DefaultPrinterChanged(const wchar_t* name) override;

private:
    const CLSID& clsid_;
};

// A shutdown request: asks a connected user interface to unload (when IQLX::UILoaded is above
// 0), then stops the engine, which saves its state and waits for its work in progress.
HRESULT UnloadUIAndStop(IUnknown* engine) noexcept;
