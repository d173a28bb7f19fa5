#include "log.h"
#include "null_dacl.h"
#include "product_key.h"
#include "registry.h"

#include <stdarg.h>
#include <stdlib.h>
#include <wchar.h>

const wchar_t kLogError[] = L"ERROR";
const wchar_t kLogWarn[] = L"Warn ";
const wchar_t kLogInfo[] = L" info";

namespace {

// Writers hold the lock shared for a whole line; load and unload hold it exclusively, so a
// configuration is never freed under a writer.
SRWLOCK g_logLock = SRWLOCK_INIT;
LogConfig* g_logConfig = nullptr;

constexpr wchar_t kDefaultLogFile[] = L"c:\\qlx.log";
constexpr wchar_t kDefaultMutexValue[] = L"Global\\QLX_LOG_MUTEX";
constexpr wchar_t kMutexPrefix[] = L"Global\\";

// Formats into a heap buffer that grows until the text fits. Null on failure.
wchar_t* FormatWide(const wchar_t* format, va_list args) {
    constexpr size_t kMaxChars = 1u << 22;
    for (size_t room = 512; room <= kMaxChars; room *= 2) {
        wchar_t* buffer = static_cast<wchar_t*>(malloc(room * sizeof(wchar_t)));
        if (!buffer)
            return nullptr;
        va_list copy;
        va_copy(copy, args);
        int written = vswprintf(buffer, room, format, copy);
        va_end(copy);
        if (written >= 0 && static_cast<size_t>(written) < room)
            return buffer;
        free(buffer);
    }
    return nullptr;
}

// The file holds 8-bit text; UTF-8 keeps every character.
void WriteUtf8(FILE* file, const wchar_t* text) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return;
    char* utf8 = static_cast<char*>(malloc(bytes));
    if (!utf8)
        return;
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, bytes, nullptr, nullptr);
    fputs(utf8, file);
    free(utf8);
}

void WriteLocked(LogConfig* config, const wchar_t* format, va_list args) {
    DWORD wait = WaitForSingleObject(config->mutex, config->wait);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED)
        return;
    if (config->flags & 1) {
        SYSTEMTIME t;
        GetLocalTime(&t);
        fprintf(config->file, "%02d/%02d/%d %02d:%02d:%02d.%03d : ", t.wMonth, t.wDay, t.wYear,
                t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    }
    if (wchar_t* text = FormatWide(format, args)) {
        WriteUtf8(config->file, text);
        free(text);
    }
    fputs("\n", config->file);
    fflush(config->file);
    ReleaseMutex(config->mutex);
}

void WriteUnlockedList(LogConfig* config, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLocked(config, format, args);
    va_end(args);
}

// Releases the current configuration; the caller holds the lock exclusively.
void ReleaseCurrentExclusive() {
    LogConfig* config = g_logConfig;
    if (!config)
        return;
    g_logConfig = nullptr;
    if (config->level > 2)
        WriteUnlockedList(config, LOG_FMT, L'C', kLogInfo, L"Config Unloaded");
    CloseLog(config);
}

void LogText(const wchar_t* level, wchar_t source, const wchar_t* text) {
    LogLine(LOG_FMT, source, level, text ? text : L"");
}

} // namespace

LogConfig* OpenLog(const wchar_t* path, const wchar_t* mutexName) {
    FILE* file = _wfopen(path, L"a");
    if (!file)
        return nullptr;
    LogConfig* config = static_cast<LogConfig*>(calloc(1, sizeof(LogConfig)));
    if (!config) {
        fclose(file);
        return nullptr;
    }
    config->file = file;
    config->flags = 1;
    config->wait = kLogMutexWaitMs;
    config->mutex = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, mutexName);
    if (!config->mutex) {
        NullDaclAttributes everyone;
        config->mutex = CreateMutexW(everyone.Get(), FALSE, mutexName);
    }
    return config;
}

void CloseLog(LogConfig* config) {
    if (!config)
        return;
    if (config->file)
        fclose(config->file);
    if (config->mutex)
        CloseHandle(config->mutex);
    free(config);
}

void LoadLogConfig() {
    wchar_t path[kLogFileRoom];
    ReadRegString(kLogFileRoom, kDefaultLogFile, path, L"LogFile");

    // The name is always the prefix followed by the value, also when the value has the prefix
    // itself: every writer forms it the same way.
    wchar_t mutexName[kLogMutexNameRoom];
    const size_t prefixLength = wcslen(kMutexPrefix);
    wcscpy(mutexName, kMutexPrefix);
    ReadRegString(kLogMutexNameRoom - prefixLength, kDefaultMutexValue, mutexName + prefixLength,
                  L"LogMutexName");

    DWORD level = 0;
    ReadRegDword(HKEY_LOCAL_MACHINE, &level, 0, L"LogLevel");
    LogConfig* config = level ? OpenLog(path, mutexName) : nullptr;
    if (config)
        config->level = level;

    AcquireSRWLockExclusive(&g_logLock);
    ReleaseCurrentExclusive();
    g_logConfig = config;
    ReleaseSRWLockExclusive(&g_logLock);

    if (config && level > 2) {
        LogLine(LOG_FMT_STR, L'C', kLogInfo, L"Registry Path:", ProductKey());
        LogLine(LOG_FMT, L'C', kLogInfo, L"Config Loaded");
    }
}

void UnloadLogConfig() {
    AcquireSRWLockExclusive(&g_logLock);
    ReleaseCurrentExclusive();
    ReleaseSRWLockExclusive(&g_logLock);
}

DWORD LogLevel() {
    AcquireSRWLockShared(&g_logLock);
    DWORD level = g_logConfig ? g_logConfig->level : 0;
    ReleaseSRWLockShared(&g_logLock);
    return level;
}

void LogLineTo(LogConfig* config, const wchar_t* format, va_list args) {
    if (config && config->file)
        WriteLocked(config, format, args);
}

void LogLine(const wchar_t* format, ...) {
    AcquireSRWLockShared(&g_logLock);
    if (g_logConfig) {
        va_list args;
        va_start(args, format);
        WriteLocked(g_logConfig, format, args);
        va_end(args);
    }
    ReleaseSRWLockShared(&g_logLock);
}

void LogError(wchar_t source, const wchar_t* text) {
    if (LogErrorsOn())
        LogText(kLogError, source, text);
}
void LogErrorStr(wchar_t source, const wchar_t* text, const wchar_t* arg) {
    if (LogErrorsOn())
        LogLine(LOG_FMT_STR, source, kLogError, text, arg ? arg : L"");
}
void LogErrorNum(wchar_t source, const wchar_t* text, long number) {
    if (LogErrorsOn())
        LogLine(LOG_FMT_NUM, source, kLogError, text, static_cast<int>(number));
}
void LogWarn(wchar_t source, const wchar_t* text) {
    if (LogWarningsOn())
        LogText(kLogWarn, source, text);
}
void LogWarnStr(wchar_t source, const wchar_t* text, const wchar_t* arg) {
    if (LogWarningsOn())
        LogLine(LOG_FMT_STR, source, kLogWarn, text, arg ? arg : L"");
}
void LogWarnNum(wchar_t source, const wchar_t* text, long number) {
    if (LogWarningsOn())
        LogLine(LOG_FMT_NUM, source, kLogWarn, text, static_cast<int>(number));
}
void LogInfo(wchar_t source, const wchar_t* text) {
    if (LogInfoOn())
        LogText(kLogInfo, source, text);
}
void LogInfoStr(wchar_t source, const wchar_t* text, const wchar_t* arg) {
    if (LogInfoOn())
        LogLine(LOG_FMT_STR, source, kLogInfo, text, arg ? arg : L"");
}
void LogInfoNum(wchar_t source, const wchar_t* text, long number) {
    if (LogInfoOn())
        LogLine(LOG_FMT_NUM, source, kLogInfo, text, static_cast<int>(number));
}
