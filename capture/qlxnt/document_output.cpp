#include "document_output.h"

#include <atomic>
#include <new>

#include "core_adapter.h"
#include "job_objects.h"
#include "log.h"
#include "module_ids.h"
#include "module_state.h"
#include "pipe_writer.h"
#include "stub_pipe.h"

namespace {

std::wstring Wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

// Pipe mode: every message goes to the job's relay in one write. The first write that fails
// closes the pipe; the rest of the document is dropped and the relay sees the job end
// without its EndDoc.
class PipeOutput final : public DocumentOutput {
public:
    explicit PipeOutput(UniqueHandle pipe) : pipe_(std::move(pipe)) {}
    ~PipeOutput() override = default;

    void StartDoc(const StartDocFields& start) {
        BuildStartDoc(start.printer, start.datatype, start.job_id, start.dpi, start.document,
                      &message_);
        Send();
    }
    void StartPage(int32_t width, int32_t height) override {
        BuildStartPage(width, height, &message_);
        Send();
    }
    void AddItem(const ExtractedItem& item, std::u16string_view face) override {
        const TextRun run = {item.x0, item.y0, item.x1, item.y1, item.text, face, nullptr};
        TextItemSplitter parts(run);
        while (pipe_ && parts.Next(&message_))
            Send();
    }
    void End(EndKind kind) override {
        if (kind == EndKind::kComplete) {
            BuildEndDoc(&message_);
            Send();
        } else {
            LogWarn(kLogSource, L"EndDoc: the document was aborted, its job is not ended");
        }
        pipe_.Reset();
    }

private:
    void Send() {
        if (!pipe_)
            return;
        DWORD written = 0;
        if (!WriteFile(pipe_.Get(), message_.bytes, message_.size, &written, nullptr) ||
            written != message_.size) {
            LogErrorNum(kLogSource, L"DRV::WriteFile failed - error",
                        static_cast<long>(GetLastError()));
            pipe_.Reset();
        }
    }

    UniqueHandle pipe_;
    PipeMessage message_;
};

// The core adapter binds one core for the whole process; it serves one document at a time.
std::atomic<bool> g_adapterInUse{false};

// Direct mode: the module calls the core itself through the adapter.
class DirectOutput final : public DocumentOutput {
public:
    DirectOutput() = default;
    ~DirectOutput() override {
        if (!ended_)
            stop_adapter();
        g_adapterInUse = false;
    }

    void StartDoc(const StartDocFields& start) {
        DriverStartJob(Wide(start.printer).c_str(), Wide(start.datatype).c_str(), start.job_id,
                       start.dpi, Wide(start.document).c_str());
    }
    void StartPage(int32_t width, int32_t height) override { DriverStartPage(width, height); }
    void AddItem(const ExtractedItem& item, std::u16string_view face) override {
        DriverAdd(item.x0, item.y0, item.x1, item.y1, Wide(item.text).c_str(), Wide(face).c_str());
    }
    void End(EndKind kind) override {
        ended_ = true;
        if (kind == EndKind::kComplete) {
            DriverEndJob();
        } else {
            LogWarn(kLogSource, L"EndDoc: the document was aborted, its job is not ended");
            stop_adapter();
        }
    }

private:
    bool ended_ = false;
};

std::unique_ptr<DocumentOutput> OpenDirect(const StartDocFields& start) {
    if (g_adapterInUse.exchange(true)) {
        LogError(kLogSource, L"StartDoc: the core adapter serves another document");
        return nullptr;
    }
    std::unique_ptr<DirectOutput> output(new (std::nothrow) DirectOutput);
    if (!output) {
        g_adapterInUse = false;
        return nullptr;
    }
    output->StartDoc(start);
    return output;
}

} // namespace

std::unique_ptr<DocumentOutput> OpenDocumentOutput(const StartDocFields& start) {
    UniqueHandle pipe;
    const std::wstring prefix = LoadObjectPrefix(Module::Instance());
    if (ConnectStubPipe(prefix, start.job_id, &pipe) == StubLink::kNoRelay)
        return OpenDirect(start);
    auto output = std::make_unique<PipeOutput>(std::move(pipe));
    output->StartDoc(start);
    return output;
}
