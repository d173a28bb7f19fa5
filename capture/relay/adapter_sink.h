#pragma once
#include <windows.h>

#include "job_forwarder.h"

// Hands each message of a job to the core adapter, with the relay's log lines, and notes
// whether the job reached the core whole.
class AdapterSink final : public CaptureSink {
public:
    void StartJob(const StartDocFields& doc) override;
    void StartPage(const StartPageFields& page) override;
    void AddItem(const TextItemFields& item) override;
    void EndJob() override;

    // The core could not be bound at StartDoc.
    bool NoCore() const { return no_core_; }
    // The first call the core refused; S_OK when none.
    HRESULT FirstFailure() const { return first_failure_; }

private:
    void Note(const wchar_t* call, HRESULT hr);

    bool no_core_ = false;
    HRESULT first_failure_ = S_OK;
};
