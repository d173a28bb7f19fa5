#pragma once
#include <windows.h>

#include "oem_ui.h"

// The printing application's document events, as DocumentEvent receives them. Every input is
// checked before it is read; bad input does nothing.

// The events the module answers: start of document (after the spooler made the job) and
// device context about to be created, in this order.
constexpr DWORD kFilteredEvents[] = {DOCUMENTEVENT_STARTDOCPOST, DOCUMENTEVENT_CREATEDCPRE};

// The query filter: the needed count is always set; the events and the returned count only
// when the filter has room for them (else the returned count is 0).
void AnswerQueryFilter(ULONG out_bytes, void* out);

// A device context is about to be created for the printer named in the create parameters.
void OnCreateDcPre(HANDLE printer, ULONG in_bytes, const void* in);

// The spooler made the document's job (its id is the input): starts the job's relay unless the
// printer is a UNC printer.
void OnStartDocPost(HANDLE printer, ULONG in_bytes, const void* in);

// At module unload.
void ReleaseDocumentEventState();
