#include "spool_job.h"

#include "log.h"

HRESULT SpoolJob::Init(const wchar_t* printer_name, const wchar_t* format_name, long id,
                       long resolution, const wchar_t* document_name) noexcept {
    job_id = id;
    dpi = resolution;
    if (!printer.Assign(printer_name) || !format.Assign(format_name) ||
        !document.Assign(document_name))
        return E_OUTOFMEMORY;
    return S_OK;
}

bool SpoolJob::AppendPage(std::unique_ptr<SpoolPage> page) noexcept {
    CriticalSectionLock hold(pages_lock_);
    if (!pages_.Append(page.get()))
        return false;
    current_page_ = page.release();
    return true;
}

unsigned SpoolJob::PageCount() const noexcept {
    CriticalSectionLock hold(pages_lock_);
    return pages_.Count();
}

SpoolPage* SpoolJob::Page(unsigned index) const noexcept {
    CriticalSectionLock hold(pages_lock_);
    return pages_.As<SpoolPage>(index);
}

SpoolPage* SpoolJob::CurrentPage() const noexcept {
    CriticalSectionLock hold(pages_lock_);
    return current_page_;
}

namespace {

void DeleteJobFile(const WString& path, const wchar_t* what) noexcept {
    if (path.Empty())
        return;
    if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        LogErrorNum(L'S', what, static_cast<long>(GetLastError()));
}

} // namespace

void SpoolJob::Release() noexcept {
    {
        CriticalSectionLock hold(pages_lock_);
        for (unsigned i = 0; i < pages_.Count(); ++i)
            delete pages_.As<SpoolPage>(i);
        pages_.Clear();
        current_page_ = nullptr;
    }
    DeleteJobFile(spool_file, L"Cannot delete spool file");
    spool_file.Clear();
    if (separator_size != 0)
        DeleteJobFile(separator_file, L"Cannot delete separator file");
    separator_file.Clear();
    separator_size = 0;
}
