#pragma once

// The job id of the relay's command line: a signed decimal number after any blanks, its
// leading digits only; no digits give 0, and a number beyond 32 bits gives the nearest
// 32-bit value.
long ParseJobId(const wchar_t* commandLine);

// Whether the command line holds anything but blanks.
bool HasArguments(const wchar_t* commandLine);
