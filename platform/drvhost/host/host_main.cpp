// The driver host: plays the spooler, the printer driver and the graphics engine for a
// rendering plug-in, so that a document's EMF pages reach its hooks as they would on Windows.
#include <windows.h>

#include <stdio.h>

#include <memory>
#include <thread>

#include "host_options.h"
#include "relay_start.h"
#include "rendering_module.h"
#include "spooled_job.h"
#include "spooler_jobs.h"
#include "ui_module.h"
#include "unidrv_device.h"

namespace {

enum ExitCode {
    kPlayed = 0,
    kPageFailed = 1,
    kUsage = 2,
    kNoModule = 3,
    kUnidrvCalled = 4,
    kNoRelay = 5,
    kRelayFailed = 6,
};

// How long a relay may take to forward its job once the document ended.
constexpr DWORD kRelayEndWaitMs = 60000;

void Fail(const std::wstring& message) {
    fwprintf(stderr, L"qlx_drvhost: %ls\n", message.c_str());
}

bool RegisterJob(DWORD id, const std::wstring& printer, const HostOptions& options, DWORD faults) {
    const HostJob job = {id, printer.c_str(), options.datatype.c_str(), options.document.c_str(),
                         faults};
    return SpoolerJobs_Set(&job) != FALSE;
}

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

struct PlayResult {
    int code = kPlayed;
    size_t calls = 0;
    std::wstring error;
};

// One document on a device, from its start to its end, as a spooler thread plays it. The
// device may be replaced by a reset one on the way.
void PlayOneDocument(RenderingModule& module, const HostOptions& options,
                     const std::vector<SpooledPage>& pages, const std::wstring& printer, DWORD job,
                     bool first, std::unique_ptr<UnidrvDevice>& device, PlayResult* result) {
    device->StartDoc(options.document, job, options.null_document);
    if (options.second_start && first)
        device->StartDoc(options.document, job, options.null_document);
    for (size_t n = 0; n < pages.size(); ++n) {
        PagePlayer player(*device, options.player);
        device->StartPage(pages[n].width, pages[n].height);
        if (!player.Play(pages[n].emf, pages[n].width, pages[n].height)) {
            result->error = L"page " + std::to_wstring(n + 1) + L" could not be played";
            result->code = kPageFailed;
        }
        result->calls += player.TextCalls();
        if (first && options.reset_after_page == n + 1) {
            std::unique_ptr<UnidrvDevice> reset =
                MakeDevice(module, printer, options, &result->error);
            if (!reset) {
                result->code = kNoModule;
                return;
            }
            reset->TakeOver(*device);
            device = std::move(reset);
        }
    }
    device->EndDoc(options.abort ? ED_ABORTDOC : 0);
}

// The documents of one device: the job's, repeated as often as asked for with the next job
// ids.
void PlayDocument(RenderingModule& module, const HostOptions& options,
                  const std::vector<SpooledPage>& pages, const std::wstring& printer, DWORD job,
                  bool first, PlayResult* result) {
    std::unique_ptr<UnidrvDevice> device = MakeDevice(module, printer, options, &result->error);
    if (!device) {
        result->code = kNoModule;
        return;
    }
    const unsigned documents = first ? options.repeat : 1;
    for (unsigned r = 0; r < documents && result->code != kNoModule; ++r)
        PlayOneDocument(module, options, pages, printer, job + r, first && r == 0, device, result);
}

// The job's document, and the second printer's on a thread of its own when asked for.
int PlayDocuments(RenderingModule& module, const HostOptions& options,
                  const std::vector<SpooledPage>& pages) {
    PlayResult results[2];
    std::thread second;
    if (options.second_job) {
        second = std::thread([&] {
            try {
                PlayDocument(module, options, pages, options.second_printer, options.second_job,
                             false, &results[1]);
            } catch (...) {
                results[1].code = kPageFailed;
            }
        });
    }
    PlayDocument(module, options, pages, options.printer, options.job_id, true, &results[0]);
    if (second.joinable())
        second.join();
    int code = kPlayed;
    for (const PlayResult& result : results) {
        if (!result.error.empty())
            Fail(result.error);
        if (result.code != kPlayed)
            code = result.code;
    }
    wprintf(L"pages %zu, text calls %zu\n", pages.size(), results[0].calls + results[1].calls);
    return code;
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
    // The spooler's jobs: the faults asked for hit the first one only.
    for (unsigned r = 0; r < options.repeat; ++r) {
        if (!WriteSpoolFile(options.job_id + r, options.document, pages, &error)) {
            Fail(error);
            return kPageFailed;
        }
        if (!RegisterJob(options.job_id + r, options.printer, options,
                         r ? 0 : options.job_faults)) {
            Fail(L"out of memory");
            return kPageFailed;
        }
    }
    if (options.second_job &&
        (!WriteSpoolFile(options.second_job, options.document, pages, &error) ||
         !RegisterJob(options.second_job, options.second_printer, options, 0))) {
        Fail(error.empty() ? L"out of memory" : error);
        return kPageFailed;
    }

    RelayStart relays[2];
    if (!options.relay.empty()) {
        if (!relays[0].Start(options.relay, options.job_id, &error) ||
            (options.second_job && !relays[1].Start(options.relay, options.second_job, &error))) {
            Fail(error);
            return kNoRelay;
        }
    }
    // The printing program's part: its GDI tells the UI module of each document before the
    // spooler renders it. The printer handles only tell the printers apart.
    std::unique_ptr<UiModule> ui;
    if (!options.ui_module.empty()) {
        ui = UiModule::Load(options.ui_module, &error);
        if (!ui) {
            Fail(error);
            return kNoModule;
        }
        ui->StartDocument(reinterpret_cast<HANDLE>(1), options.printer, options.job_id);
        if (options.second_job)
            ui->StartDocument(reinterpret_cast<HANDLE>(2), options.second_printer,
                              options.second_job);
    }
    int result;
    {
        std::unique_ptr<RenderingModule> module = RenderingModule::Load(options.module, &error);
        if (!module) {
            Fail(error);
            return kNoModule;
        }
        result = PlayDocuments(*module, options, pages);
    }
    const DWORD relay_jobs[] = {options.job_id, options.second_job};
    for (size_t r = 0; r < 2; ++r) {
        const int code = relays[r].Finish(kRelayEndWaitMs);
        if (code == 0)
            continue;
        // The relay's own code says why its job did not reach the core.
        Fail(L"the relay of job " + std::to_wstring(relay_jobs[r]) +
             (code < 0 ? std::wstring(L" did not end in time")
                       : L" ended with code " + std::to_wstring(code)));
        if (result == kPlayed)
            result = kRelayFailed;
    }
    if (ui) {
        for (DWORD job : ui->WaitForRelays(kRelayEndWaitMs)) {
            Fail(L"the relay of job " + std::to_wstring(job) + L" did not end in time");
            if (result == kPlayed)
                result = kRelayFailed;
        }
    }
    if (UnidrvDevice::UnidrvCalls()) {
        Fail(L"the plug-in called Unidrv's own implementation of a hooked call");
        return kUnidrvCalled;
    }
    return result;
}
