#pragma once

// The log configuration is loaded at a document's start and released at its end. Documents
// of several devices may be open at once in one spooler process: the first to start loads
// it, the last to end releases it, so no document loses the log while another writes to it.
class DocumentLogHold {
public:
    DocumentLogHold();
    ~DocumentLogHold();
    DocumentLogHold(const DocumentLogHold&) = delete;
    DocumentLogHold& operator=(const DocumentLogHold&) = delete;
};
