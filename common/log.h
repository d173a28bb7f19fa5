#pragma once
#include <windows.h>
#include <stdio.h>

// The common log: one text file that every logging deliverable appends to, each line written
// under one machine-wide named mutex.

// Level words, five characters each.
extern const wchar_t kLogError[]; // "ERROR", written at level 1 and above
extern const wchar_t kLogWarn[];  // "Warn ", level 2 and above
extern const wchar_t kLogInfo[];  // " info", level 3 and above

// The line forms in use: source letter, level word, message, and an optional text or number.
#define LOG_FMT L"%lc %ls %ls"
#define LOG_FMT_STR L"%lc %ls %ls %ls"
#define LOG_FMT_NUM L"%lc %ls %ls %d"

constexpr DWORD kLogMutexWaitMs = 1000;
constexpr DWORD kLogFileRoom = 262;
constexpr DWORD kLogMutexNameRoom = 260;

struct LogConfig {
    FILE* file = nullptr;
    DWORD flags = 1; // bit 1: time stamp in front of each line
    DWORD wait = kLogMutexWaitMs;
    HANDLE mutex = nullptr;
    DWORD level = 0;
};

// Opens the file (append) and the named log mutex, creating the mutex with a null DACL when it
// does not exist yet. Null when the file can't be opened.
LogConfig* OpenLog(const wchar_t* path, const wchar_t* mutexName);
void CloseLog(LogConfig* config);

// Reads LogFile, LogMutexName and LogLevel from the product key and, for a non-zero level,
// makes the opened log the process's configuration. A configuration loaded before is released.
void LoadLogConfig();
// Writes "Config Unloaded" (level 3), closes the log and clears the configuration. Safe against
// threads that are writing at the same time: they finish their line first.
void UnloadLogConfig();

// The process's current level; 0 when there is no configuration.
DWORD LogLevel();
inline bool LogErrorsOn() {
    return LogLevel() >= 1;
}
inline bool LogWarningsOn() {
    return LogLevel() > 1;
}
inline bool LogInfoOn() {
    return LogLevel() > 2;
}

// Writes one line with the process's configuration: waits at most the configured time for the
// mutex (else drops the line), stamps, formats, ends the line and flushes. Does not test the
// level; does nothing without a configuration.
void LogLine(const wchar_t* format, ...);

// The same with an explicit configuration.
void LogLineTo(LogConfig* config, const wchar_t* format, va_list args);

// Shorthands that test the level first.
void LogError(wchar_t source, const wchar_t* text);
void LogErrorStr(wchar_t source, const wchar_t* text, const wchar_t* arg);
void LogErrorNum(wchar_t source, const wchar_t* text, long number);
void LogWarn(wchar_t source, const wchar_t* text);
void LogWarnStr(wchar_t source, const wchar_t* text, const wchar_t* arg);
void LogWarnNum(wchar_t source, const wchar_t* text, long number);
void LogInfo(wchar_t source, const wchar_t* text);
void LogInfoStr(wchar_t source, const wchar_t* text, const wchar_t* arg);
void LogInfoNum(wchar_t source, const wchar_t* text, long number);
