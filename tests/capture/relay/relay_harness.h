#pragma once
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "handle.h"
#include "pipe_message.h"

// What the relay's tests play: the driver UI module that starts a relay for a job, and the
// rendering module that writes the job's bytes into the relay's pipe.

using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const PipeMessage& message);
Bytes StartDocBytes(const std::u16string& printer, long job_id,
                    const std::u16string& document = u"doc");
Bytes StartPageBytes(long width, long height);
// One TextItem, or several when the run is too long for one.
Bytes TextItemBytes(long x0, long y0, long x1, long y1, const std::u16string& text,
                    const std::u16string& face);
Bytes EndDocBytes();
Bytes Joined(std::initializer_list<Bytes> parts);

// A relay started as the driver UI module starts it: the job's event made first, the relay
// started with the job id, and its setting of the event waited for.
class RelayProcess {
public:
    explicit RelayProcess(long job_id);
    // Started with this command line as it is.
    RelayProcess(long job_id, const std::wstring& arguments);
    ~RelayProcess();
    RelayProcess(const RelayProcess&) = delete;
    RelayProcess& operator=(const RelayProcess&) = delete;

    bool Started() const { return process_.Valid(); }
    // Whether the relay set the job's event within 20 seconds.
    bool SignalledEvent(DWORD timeoutMs = 20000);
    // The exit code; -1 when it did not end in time (it is then killed).
    int Wait(DWORD timeoutMs = 60000);
    void Kill();
    HANDLE Process() const { return process_.Get(); }

private:
    void Launch(const std::wstring& command);

    UniqueHandle event_;
    UniqueHandle process_;
};

// One write of the rendering module, after a pause.
struct FeedStep {
    Bytes bytes;
    DWORD pause_before_ms = 0;
};

// Connects to a job's pipe as the rendering module does and writes the steps, each with one
// write, then waits the final pause and closes. Runs on its own thread from Start until it
// is done; the destructor waits for it.
class PipeFeeder {
public:
    PipeFeeder(long job_id, std::vector<FeedStep> steps, DWORD pause_before_close_ms = 0);
    ~PipeFeeder();
    PipeFeeder(const PipeFeeder&) = delete;
    PipeFeeder& operator=(const PipeFeeder&) = delete;

    void Start();
    void Join();
    bool Connected() const { return connected_; }
    // How many steps were written whole.
    size_t Written() const { return written_; }

private:
    void Feed();

    long job_id_;
    std::vector<FeedStep> steps_;
    DWORD pause_before_close_ms_;
    std::thread thread_;
    bool connected_ = false;
    size_t written_ = 0;
};

// A DWORD of the product key under HKEY_LOCAL_MACHINE for as long as the holder lives.
class MachineValue {
public:
    MachineValue(const wchar_t* name, DWORD value);
    ~MachineValue();
    MachineValue(const MachineValue&) = delete;
    MachineValue& operator=(const MachineValue&) = delete;

private:
    const wchar_t* name_;
};
