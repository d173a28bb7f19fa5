#pragma once

// What the core program was asked to do by its command line.
enum class CoreCommand { kRun, kRegister, kUnregister };

// A "-" or "/" followed, up to the end of the line, by exactly "RegServer" or "UnregServer"
// (case-sensitive) asks for that; anything else runs the server. Null reads as empty.
CoreCommand ParseCoreCommandLine(const wchar_t* line) noexcept;
