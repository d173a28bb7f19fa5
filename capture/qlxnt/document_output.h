#pragma once
#include <stdint.h>

#include <memory>
#include <string>
#include <string_view>

#include "pipe_reader.h"
#include "text_extractor.h"

// Where a captured document goes: the job's relay through its pipe, or the core itself.

enum class EndKind {
    kComplete, // the document ended: the job is whole
    kAborted,  // the application aborted it: the core must not take it as a whole job
};

class DocumentOutput {
public:
    virtual ~DocumentOutput() = default;
    virtual void StartPage(int32_t width, int32_t height) = 0;
    virtual void AddItem(const ExtractedItem& item, std::u16string_view face) = 0;
    virtual void End(EndKind kind) = 0;
};

// Starts the document: pipe mode when a relay was started for the job (its per-job event
// exists), direct mode otherwise.
std::unique_ptr<DocumentOutput> OpenDocumentOutput(const StartDocFields& start);
