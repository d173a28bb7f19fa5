#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>
#include <string>

#include "child_process.h"
#include "qlx_storage.h"
#include "spool_job.h"
#include "temp_dir.h"

namespace {

std::wstring FileName(const WString& path) {
    std::wstring full = path.c_str();
    size_t slash = full.rfind(L'\\');
    return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

std::wstring UniqueName(DWORD pid, unsigned counter, const wchar_t* extension) {
    wchar_t name[40];
    swprintf(name, 40, L"%08x_%08x%ls", static_cast<unsigned>(pid), counter, extension);
    return name;
}

unsigned CounterOf(const WString& path) {
    unsigned pid = 0, counter = 0;
    swscanf(FileName(path).c_str(), L"%8x_%8x", &pid, &counter);
    return counter;
}

// A spool folder with the spooler's files of a job as the printer's set-up leaves them.
class SpoolFolder : public testing::Test {
protected:
    std::wstring Folder() const { return dir_.Path() + L"\\"; }
    std::wstring In(const std::wstring& name) const { return dir_.File(name); }
    std::wstring JobFile(long job_id, const wchar_t* extension) const {
        wchar_t name[16];
        swprintf(name, 16, L"%05d%ls", static_cast<int>(job_id), extension);
        return In(name);
    }
    std::unique_ptr<SpoolJob> Job(long job_id) {
        auto job = std::make_unique<SpoolJob>();
        EXPECT_EQ(job->Init(L"Quorvane Text Printer", L"EMF", job_id, 600, L"doc"), S_OK);
        return job;
    }
    std::string Content(const std::wstring& path) const {
        std::string bytes;
        return ReadWholeFile(path, &bytes) ? bytes : "(missing)";
    }

    TempDir dir_;
};

TEST_F(SpoolFolder, FinishedJobFilesGetUniqueNamesAndGoWithTheJob) {
    struct {
        const char* row;
        const char* spool;     // null: no spool file
        const char* separator; // null: no separator file
    } rows[] = {
        {"spool file only", "SPOOL", nullptr},
        {"empty separator", "SPOOL", ""},
        {"separator with content", "SPOOL", "SEP"},
        {"spool file missing", nullptr, "SEP"},
    };
    long job_id = 40;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.row);
        ++job_id;
        if (row.spool) {
            ASSERT_TRUE(WriteWholeFile(JobFile(job_id, L".spl"), row.spool));
        }
        if (row.separator) {
            ASSERT_TRUE(WriteWholeFile(JobFile(job_id, L".sep"), row.separator));
        }

        auto job = Job(job_id);
        ASSERT_EQ(QLX_Storage::LockFiles(Folder().c_str(), job.get()), S_OK);

        // A spool file that was not there is not recorded: no name of another file's.
        const unsigned counter = CounterOf(row.spool ? job->spool_file : job->separator_file);
        if (row.spool) {
            EXPECT_EQ(std::wstring(job->spool_file.c_str()),
                      In(UniqueName(GetCurrentProcessId(), counter, L".spl")));
            EXPECT_EQ(Content(job->spool_file.c_str()), row.spool);
        } else {
            EXPECT_TRUE(job->spool_file.Empty());
        }
        EXPECT_FALSE(FileExists(JobFile(job_id, L".spl")));
        EXPECT_FALSE(FileExists(JobFile(job_id, L".sep")));
        if (row.separator) {
            EXPECT_EQ(std::wstring(job->separator_file.c_str()),
                      In(UniqueName(GetCurrentProcessId(), counter, L".sep")));
            EXPECT_EQ(job->separator_size, strlen(row.separator));
            EXPECT_EQ(Content(job->separator_file.c_str()), row.separator);
        } else {
            EXPECT_TRUE(job->separator_file.Empty());
            EXPECT_EQ(job->separator_size, 0u);
        }

        const std::wstring spool_file = job->spool_file.c_str();
        const std::wstring separator_file = job->separator_file.c_str();
        job.reset();
        EXPECT_FALSE(FileExists(spool_file));
        // A separator of size 0 is left where it was moved.
        if (row.separator) {
            EXPECT_EQ(FileExists(separator_file), strlen(row.separator) == 0);
        }
    }
}

TEST_F(SpoolFolder, TakenNamesAreNeverOverwrittenNorDeleted) {
    auto first = Job(7);
    ASSERT_TRUE(WriteWholeFile(JobFile(7, L".spl"), "FIRST"));
    ASSERT_EQ(QLX_Storage::LockFiles(Folder().c_str(), first.get()), S_OK);
    const unsigned next = CounterOf(first->spool_file) + 1;

    // Left over from another run of a process with our id: the next two names are taken,
    // one by a spool file and one by a separator file alone.
    const std::wstring taken_spool = In(UniqueName(GetCurrentProcessId(), next, L".spl"));
    const std::wstring taken_separator = In(UniqueName(GetCurrentProcessId(), next + 1, L".sep"));
    ASSERT_TRUE(WriteWholeFile(taken_spool, "OTHER SPOOL"));
    ASSERT_TRUE(WriteWholeFile(taken_separator, "OTHER SEP"));

    auto second = Job(7);
    ASSERT_TRUE(WriteWholeFile(JobFile(7, L".spl"), "SECOND"));
    ASSERT_TRUE(WriteWholeFile(JobFile(7, L".sep"), "SECOND SEP"));
    ASSERT_EQ(QLX_Storage::LockFiles(Folder().c_str(), second.get()), S_OK);

    EXPECT_EQ(CounterOf(second->spool_file), next + 2);
    EXPECT_EQ(CounterOf(second->separator_file), next + 2);
    EXPECT_EQ(Content(second->spool_file.c_str()), "SECOND");
    EXPECT_EQ(Content(second->separator_file.c_str()), "SECOND SEP");
    EXPECT_EQ(Content(taken_spool), "OTHER SPOOL");
    EXPECT_EQ(Content(taken_separator), "OTHER SEP");

    second.reset();
    first.reset();
    EXPECT_EQ(Content(taken_spool), "OTHER SPOOL");
    EXPECT_EQ(Content(taken_separator), "OTHER SEP");
}

TEST_F(SpoolFolder, TwoJobsWithTheSameIdGetDifferentNames) {
    ASSERT_TRUE(WriteWholeFile(JobFile(12, L".spl"), "ONE"));
    auto one = Job(12);
    ASSERT_EQ(QLX_Storage::LockFiles(Folder().c_str(), one.get()), S_OK);
    ASSERT_TRUE(WriteWholeFile(JobFile(12, L".spl"), "TWO"));
    auto two = Job(12);
    ASSERT_EQ(QLX_Storage::LockFiles(Folder().c_str(), two.get()), S_OK);

    EXPECT_NE(std::wstring(one->spool_file.c_str()), std::wstring(two->spool_file.c_str()));
    EXPECT_EQ(Content(one->spool_file.c_str()), "ONE");
    EXPECT_EQ(Content(two->spool_file.c_str()), "TWO");
}

// Renames job 3's spool file in the folder given (without its last backslash, which would
// escape the closing quote) and writes the name it got to result.txt.
QLX_TEST_CHILD(lock_one_job) {
    if (argc < 1)
        return 2;
    std::wstring folder = std::wstring(argv[0]) + L"\\";
    SpoolJob job;
    if (FAILED(job.Init(L"p", L"EMF", 3, 600, L"d")) ||
        FAILED(QLX_Storage::LockFiles(folder.c_str(), &job)))
        return 3;
    std::wstring name = job.spool_file.c_str();
    return WriteWholeFile(folder + L"result.txt", std::string(name.begin(), name.end())) ? 0 : 4;
}

TEST_F(SpoolFolder, ANewProcessStartsItsCounterAtOne) {
    ASSERT_TRUE(WriteWholeFile(JobFile(3, L".spl"), "X"));
    UniqueHandle child = StartChild(L"lock_one_job", L"\"" + dir_.Path() + L"\"");
    ASSERT_TRUE(child.Valid());
    const DWORD child_pid = GetProcessId(child.Get());
    ASSERT_EQ(WaitChild(child.Get()), 0);

    std::string result;
    ASSERT_TRUE(ReadWholeFile(In(L"result.txt"), &result));
    const std::wstring expected = In(UniqueName(child_pid, 1, L".spl"));
    EXPECT_EQ(result, std::string(expected.begin(), expected.end()));
}

} // namespace
