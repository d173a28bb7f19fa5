#include "qlx_storage.h"

#include <atomic>
#include <memory>
#include <new>
#include <wchar.h>

#include "log.h"

namespace {

// Names on disk from a crashed run of a process with the same id could occupy a few counter
// values; this many taken names in a row means something else is wrong.
constexpr unsigned kMaxNameTries = 1000;

std::atomic<unsigned long> g_spool_counter{1};

// Read once at program start.
const DWORD g_process_id = GetCurrentProcessId();

bool BuildPath(const wchar_t* folder, const wchar_t* name, WString* path) {
    return path->Assign(folder) && path->Append(name);
}

bool JobFileName(const wchar_t* folder, long job_id, const wchar_t* extension, WString* path) {
    wchar_t name[32];
    swprintf(name, 32, L"%05d%ls", static_cast<int>(job_id), extension);
    return BuildPath(folder, name, path);
}

bool UniqueFileName(const wchar_t* folder, unsigned long counter, const wchar_t* extension,
                    WString* path) {
    wchar_t name[40];
    swprintf(name, 40, L"%08x_%08x%ls", static_cast<unsigned>(g_process_id),
             static_cast<unsigned>(counter), extension);
    return BuildPath(folder, name, path);
}

bool PathExists(const WString& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsNameTaken(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

// Picks the next counter value for which neither unique name exists yet.
bool ChooseFreeNames(const wchar_t* folder, WString* spool, WString* separator, bool* found) {
    *found = false;
    for (unsigned tries = 0; tries < kMaxNameTries; ++tries) {
        unsigned long counter = g_spool_counter.fetch_add(1);
        if (!UniqueFileName(folder, counter, L".spl", spool) ||
            !UniqueFileName(folder, counter, L".sep", separator))
            return false;
        if (!PathExists(*spool) && !PathExists(*separator)) {
            *found = true;
            return true;
        }
        LogWarnStr(L'S', L"QLX_Storage::LockFiles name taken:", spool->c_str());
    }
    return true;
}

// A spool file that could not be moved is deleted so that the job number is free for the
// spooler again; one that can't be deleted either stays recorded under its own name, so that
// the job's closing deletes it. A missing file leaves nothing recorded.
void KeepFileThatStayed(const WString& old_name, SpoolJob* job) {
    job->spool_file.Clear();
    if (DeleteFileW(old_name.c_str()) || !PathExists(old_name))
        return;
    if (!job->spool_file.Assign(old_name.c_str()))
        LogError(L'S', L"QLX_Storage::LockFiles Cannot record the spool file");
}

// Renames the spool file; on failure the old file is removed so that the job number is free
// for the spooler again. separator_name receives the matching free separator name, or is
// emptied when no free name was found.
HRESULT MoveSpoolFile(const wchar_t* folder, SpoolJob* job, WString* separator_name) {
    WString old_name;
    if (!JobFileName(folder, job->job_id, L".spl", &old_name))
        return E_OUTOFMEMORY;
    WString new_name;
    DWORD error = ERROR_FILE_EXISTS;
    for (unsigned moves = 0; moves < kMaxNameTries; ++moves) {
        bool found;
        if (!ChooseFreeNames(folder, &new_name, separator_name, &found))
            return E_OUTOFMEMORY;
        if (!found)
            break;
        LogInfoStr(L'S', L"QLX_Storage::LockFiles spool name:", new_name.c_str());
        if (MoveFileW(old_name.c_str(), new_name.c_str())) {
            if (job->spool_file.Assign(new_name.c_str()))
                return S_OK;
            // Moved but not recorded: the job could never delete it.
            DeleteFileW(new_name.c_str());
            return E_OUTOFMEMORY;
        }
        error = GetLastError();
        if (!IsNameTaken(error)) {
            LogErrorNum(L'S', L"Cannot rename spool file", static_cast<long>(error));
            KeepFileThatStayed(old_name, job);
            return S_OK;
        }
        // Taken between the look and the move: try the next name.
    }
    // Never record a name that belongs to another file: the job would delete it.
    separator_name->Clear();
    LogErrorNum(L'S', L"Cannot rename spool file", static_cast<long>(error));
    KeepFileThatStayed(old_name, job);
    return S_OK;
}

HRESULT MoveSeparatorFile(const wchar_t* folder, SpoolJob* job, const WString& new_name) {
    job->separator_file.Clear();
    job->separator_size = 0;
    WString old_name;
    if (!JobFileName(folder, job->job_id, L".sep", &old_name))
        return E_OUTOFMEMORY;
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(old_name.c_str(), GetFileExInfoStandard, &attributes))
        return S_OK;
    if (new_name.Empty()) {
        DeleteFileW(old_name.c_str());
        LogErrorNum(L'S', L"Cannot rename separator file", ERROR_FILE_EXISTS);
        return S_OK;
    }
    if (!MoveFileW(old_name.c_str(), new_name.c_str())) {
        DWORD error = GetLastError();
        DeleteFileW(old_name.c_str());
        LogErrorNum(L'S', L"Cannot rename separator file", static_cast<long>(error));
        return S_OK;
    }
    if (!job->separator_file.Assign(new_name.c_str())) {
        // The file is moved but could not be recorded: do not leave it behind.
        DeleteFileW(new_name.c_str());
        return E_OUTOFMEMORY;
    }
    job->separator_size = attributes.nFileSizeLow;
    return S_OK;
}

} // namespace

HRESULT QLX_Storage::Create(SpoolJob* job, long width, long height) noexcept {
    std::unique_ptr<SpoolPage> page(new (std::nothrow) SpoolPage(width, height));
    if (!page || !job->AppendPage(std::move(page)))
        return E_OUTOFMEMORY;
    LogInfoNum(L'S', L"QLX_Storage::Create Page", static_cast<long>(job->PageCount()));
    return S_OK;
}

HRESULT QLX_Storage::LockFiles(const wchar_t* spool_folder, SpoolJob* job) noexcept {
    WString separator_name;
    HRESULT hr = MoveSpoolFile(spool_folder, job, &separator_name);
    if (FAILED(hr))
        return hr;
    return MoveSeparatorFile(spool_folder, job, separator_name);
}
