#include "relay_harness.h"

#include "job_objects.h"
#include "pipe_writer.h"
#include "reg_key.h"
#include "server_test_support.h"

namespace {

constexpr int kConnectTries = 100;

std::wstring RelayCommand(const std::wstring& arguments) {
    return Quoted(QLX_RELAY_PROGRAM) + L" " + arguments;
}

} // namespace

Bytes BytesOf(const PipeMessage& message) {
    return Bytes(message.bytes, message.bytes + message.size);
}

Bytes StartDocBytes(const std::u16string& printer, long job_id, const std::u16string& document) {
    PipeMessage message;
    BuildStartDoc(printer, u"NT EMF 1.008", job_id, 600, document, &message);
    return BytesOf(message);
}

Bytes StartPageBytes(long width, long height) {
    PipeMessage message;
    BuildStartPage(width, height, &message);
    return BytesOf(message);
}

Bytes TextItemBytes(long x0, long y0, long x1, long y1, const std::u16string& text,
                    const std::u16string& face) {
    TextRun run;
    run.x0 = x0;
    run.y0 = y0;
    run.x1 = x1;
    run.y1 = y1;
    run.text = text;
    run.face = face;
    TextItemSplitter splitter(run);
    Bytes bytes;
    PipeMessage message;
    while (splitter.Next(&message)) {
        const Bytes part = BytesOf(message);
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
    return bytes;
}

Bytes EndDocBytes() {
    PipeMessage message;
    BuildEndDoc(&message);
    return BytesOf(message);
}

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes bytes;
    for (const Bytes& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

RelayProcess::RelayProcess(long job_id) : RelayProcess(job_id, std::to_wstring(job_id)) {}

RelayProcess::RelayProcess(long job_id, const std::wstring& arguments) {
    event_ = CreateJobEvent(JobEventName(kDefaultObjectPrefix, job_id));
    Launch(RelayCommand(arguments));
}

RelayProcess::~RelayProcess() {
    if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT)
        Kill();
}

void RelayProcess::Launch(const std::wstring& command) {
    std::wstring line = command;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    CloseHandle(process.hThread);
    process_.Reset(process.hProcess);
}

bool RelayProcess::SignalledEvent(DWORD timeoutMs) {
    return event_ && WaitForSingleObject(event_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

int RelayProcess::Wait(DWORD timeoutMs) {
    if (!process_)
        return -1;
    if (WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) {
        Kill();
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return static_cast<int>(code);
}

void RelayProcess::Kill() {
    if (!process_)
        return;
    TerminateProcess(process_.Get(), 99);
    WaitForSingleObject(process_.Get(), 10000);
}

PipeFeeder::PipeFeeder(long job_id, std::vector<FeedStep> steps, DWORD pause_before_close_ms)
    : job_id_(job_id), steps_(std::move(steps)), pause_before_close_ms_(pause_before_close_ms) {}

PipeFeeder::~PipeFeeder() {
    Join();
}

void PipeFeeder::Start() {
    thread_ = std::thread([this] { Feed(); });
}

void PipeFeeder::Join() {
    if (thread_.joinable())
        thread_.join();
}

// As the rendering module connects: open for writing, else wait for a free instance, else
// wait a little for the pipe to be made.
void PipeFeeder::Feed() {
    const std::wstring name = JobPipeName(kDefaultObjectPrefix, job_id_);
    UniqueHandle pipe;
    for (int i = 0; i < kConnectTries && !pipe; ++i) {
        pipe.Reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!pipe && !WaitNamedPipeW(name.c_str(), 2000))
            Sleep(100);
    }
    connected_ = pipe.Valid();
    if (!connected_)
        return;
    for (const FeedStep& step : steps_) {
        if (step.pause_before_ms)
            Sleep(step.pause_before_ms);
        DWORD written = 0;
        if (!WriteFile(pipe.Get(), step.bytes.data(), static_cast<DWORD>(step.bytes.size()),
                       &written, nullptr) ||
            written != step.bytes.size())
            return;
        ++written_;
    }
    if (pause_before_close_ms_)
        Sleep(pause_before_close_ms_);
}

MachineValue::MachineValue(const wchar_t* name, DWORD value) : name_(name) {
    RegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, kCoreProductKey, KEY_SET_VALUE))
        RegSetValueExW(key.Get(), name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
}

MachineValue::~MachineValue() {
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kCoreProductKey, KEY_SET_VALUE))
        RegDeleteValueW(key.Get(), name_);
}
