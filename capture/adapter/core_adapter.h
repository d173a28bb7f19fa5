#pragma once
#include <windows.h>

// The core adapter: binds the core's engine object and makes the capture calls of one job on
// its IQLX_INT. The relay uses it for every job, the rendering module in direct mode. One
// process-wide binding, used by one thread at a time: the thread that started the adapter
// is the one that ends it, since COM is left only on the thread where the adapter entered it.
// Log lines carry the letter A.

// Clears the adapter, enters COM (single-threaded apartment, unless the thread is in COM
// already) and creates the core's engine as a local server for IQLX_INT. 0 when bound;
// otherwise logs "start_adapter QLX Core Spawning error" and returns -1, and the adapter
// stays unbound.
int start_adapter();

// Binds the core and calls int_StartJob with copies of the strings (a null string stays a
// null BSTR). Returns the call's result, or the failure that kept the core from binding.
HRESULT DriverStartJob(const wchar_t* printer_name, const wchar_t* datatype, long job_id, long dpi,
                       const wchar_t* document_name);
// int_StartPage when bound; S_FALSE when not (nothing is done).
HRESULT DriverStartPage(long width, long height);
// int_Add with copies of the strings when bound; S_FALSE when not.
HRESULT DriverAdd(long x0, long y0, long x1, long y1, const wchar_t* text, const wchar_t* face);
// int_EndJob when bound (S_FALSE when not), then releases the core and leaves COM.
HRESULT DriverEndJob();

// Ends a job that did not reach its end: releases the core without int_EndJob (the core
// gives up on the job by its page time-out) and leaves COM.
void stop_adapter();

bool AdapterBound();
