// The driver host: plays the spooler, the printer driver and the graphics engine for a
// rendering plug-in, so that a document's EMF pages reach its hooks as they would on Windows.
#include <windows.h>

#include <stdio.h>

#include <memory>

#include "host_options.h"
#include "rendering_module.h"
#include "spooled_job.h"
#include "spooler_jobs.h"
#include "unidrv_device.h"

namespace {

enum ExitCode {
    kPlayed = 0,
    kPageFailed = 1,
    kUsage = 2,
    kNoModule = 3,
    kUnidrvCalled = 4,
};

void Fail(const std::wstring& message) {
    fwprintf(stderr, L"qlx_drvhost: %ls\n", message.c_str());
}

bool RegisterJob(DWORD id, const std::wstring& printer, const HostOptions& options) {
    const HostJob job = {id, printer.c_str(), options.datatype.c_str(), options.document.c_str(),
                         options.job_faults};
    return SpoolerJobs_Set(&job) != FALSE;
}

// The devices a document is played on: the job's, and a second printer's when asked for.
struct Devices {
    std::unique_ptr<UnidrvDevice> first;
    std::unique_ptr<UnidrvDevice> second;
};

std::unique_ptr<UnidrvDevice> MakeDevice(RenderingModule& module, const std::wstring& printer,
                                         const HostOptions& options, std::wstring* error) {
    DeviceSettings settings;
    settings.printer = printer;
    settings.dpi = options.dpi;
    settings.devmode_without_resolution = options.devmode_without_resolution;
    auto device = std::make_unique<UnidrvDevice>(module, settings);
    if (!device->Enable(error))
        return nullptr;
    return device;
}

int PlayDocument(RenderingModule& module, const HostOptions& options,
                 const std::vector<SpooledPage>& pages) {
    std::wstring error;
    Devices devices;
    devices.first = MakeDevice(module, options.printer, options, &error);
    if (options.second_job && devices.first)
        devices.second = MakeDevice(module, options.second_printer, options, &error);
    if (!devices.first || (options.second_job && !devices.second)) {
        Fail(error);
        return kNoModule;
    }
    devices.first->StartDoc(options.document, options.job_id, options.null_document);
    if (options.second_start)
        devices.first->StartDoc(options.document, options.job_id, options.null_document);
    if (devices.second)
        devices.second->StartDoc(options.document, options.second_job, options.null_document);

    int result = kPlayed;
    size_t calls = 0;
    for (size_t n = 0; n < pages.size(); ++n) {
        for (UnidrvDevice* device : {devices.first.get(), devices.second.get()}) {
            if (!device)
                continue;
            PagePlayer player(*device, options.player);
            device->StartPage(pages[n].width, pages[n].height);
            if (!player.Play(pages[n].emf, pages[n].width, pages[n].height)) {
                Fail(L"page " + std::to_wstring(n + 1) + L" could not be played");
                result = kPageFailed;
            }
            calls += player.TextCalls();
        }
        if (options.reset_after_page == n + 1) {
            std::unique_ptr<UnidrvDevice> reset =
                MakeDevice(module, options.printer, options, &error);
            if (!reset) {
                Fail(error);
                return kNoModule;
            }
            reset->TakeOver(*devices.first);
            devices.first = std::move(reset);
        }
    }
    const FLONG end = options.abort ? ED_ABORTDOC : 0;
    devices.first->EndDoc(end);
    if (devices.second)
        devices.second->EndDoc(end);
    wprintf(L"pages %zu, text calls %zu\n", pages.size(), calls);
    return result;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    HostOptions options;
    std::wstring error;
    if (!ParseHostOptions(argc, argv, &options, &error)) {
        Fail(error);
        fwprintf(stderr, L"%ls", kHostUsage);
        return kUsage;
    }
    std::vector<SpooledPage> pages(options.pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        if (!LoadPage(options.pages[i], options.dpi, &pages[i], &error)) {
            Fail(error);
            return kUsage;
        }
    }
    if (!WriteSpoolFile(options.job_id, options.document, pages, &error) ||
        (options.second_job &&
         !WriteSpoolFile(options.second_job, options.document, pages, &error))) {
        Fail(error);
        return kPageFailed;
    }
    if (!RegisterJob(options.job_id, options.printer, options) ||
        (options.second_job && !RegisterJob(options.second_job, options.second_printer, options))) {
        Fail(L"out of memory");
        return kPageFailed;
    }

    int result;
    {
        std::unique_ptr<RenderingModule> module = RenderingModule::Load(options.module, &error);
        if (!module) {
            Fail(error);
            return kNoModule;
        }
        result = PlayDocument(*module, options, pages);
    }
    if (UnidrvDevice::UnidrvCalls()) {
        Fail(L"the plug-in called Unidrv's own implementation of a hooked call");
        return kUnidrvCalled;
    }
    return result;
}
