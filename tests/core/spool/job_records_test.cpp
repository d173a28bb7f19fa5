#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "failing_alloc.h"
#include "job_list.h"
#include "qlx_storage.h"
#include "temp_dir.h"

namespace {

class RecordingListener : public JobDropListener {
public:
    void OnJobDropped(SpoolJob* job) noexcept override { dropped.push_back(job->job_id); }
    std::vector<long> dropped;
};

SpoolJob* NewJob(long job_id) {
    auto* job = new SpoolJob;
    EXPECT_EQ(job->Init(L"printer", L"EMF", job_id, 300, L"doc"), S_OK);
    return job;
}

TEST(JobList, KeepsArrivalOrderAndTellsEveryDrop) {
    RecordingListener listener;
    JobList list;
    list.SetDropListener(&listener);
    EXPECT_EQ(list.Front(), nullptr);
    list.PopFront(); // nothing to drop

    for (long id : {1, 2, 3, 4})
        list.Push(NewJob(id));
    EXPECT_EQ(list.Count(), 4u);
    EXPECT_EQ(list.Front()->job_id, 1);
    EXPECT_EQ(list.Front()->job_id, 1) << "Front leaves the job in the list";

    list.PopFront();
    EXPECT_EQ(list.Front()->job_id, 2);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Front(), nullptr);
    EXPECT_EQ(listener.dropped, (std::vector<long>{1, 2, 3, 4}));

    list.Push(NewJob(5)); // usable after Clear; freed by the list's destructor
    EXPECT_EQ(list.Front()->job_id, 5);
}

TEST(JobList, DroppedJobsTakeTheirFilesAlong) {
    TempDir dir;
    const std::wstring folder = dir.Path() + L"\\";
    JobList list;
    std::vector<std::wstring> files;
    for (long id : {21, 22}) {
        wchar_t name[16];
        swprintf(name, 16, L"%05d.spl", static_cast<int>(id));
        ASSERT_TRUE(WriteWholeFile(folder + name, "data"));
        swprintf(name, 16, L"%05d.sep", static_cast<int>(id));
        ASSERT_TRUE(WriteWholeFile(folder + name, "sep"));
        SpoolJob* job = NewJob(id);
        ASSERT_EQ(QLX_Storage::LockFiles(folder.c_str(), job), S_OK);
        files.push_back(job->spool_file.c_str());
        files.push_back(job->separator_file.c_str());
        list.Push(job);
    }
    for (const auto& file : files)
        ASSERT_TRUE(FileExists(file)) << testing::PrintToString(file);

    list.PopFront();
    EXPECT_FALSE(FileExists(files[0]));
    EXPECT_FALSE(FileExists(files[1]));
    EXPECT_TRUE(FileExists(files[2]));
    list.Clear();
    EXPECT_FALSE(FileExists(files[2]));
    EXPECT_FALSE(FileExists(files[3]));
}

// The job thread reads the page array while pages keep arriving; every page it finds complete
// must be whole.
TEST(SpoolJob, PagesCanBeReadWhileTheArrayGrows) {
    constexpr unsigned kPages = 3000;
    SpoolJob job;
    std::atomic<bool> reader_failed{false};
    std::atomic<unsigned> pages_read{0};

    std::thread reader([&] {
        unsigned next = 0;
        while (next < kPages) {
            SpoolPage* page = job.Page(next);
            if (!page || !page->IsComplete()) {
                if ((job.Flags() & kJobEnded) && next >= job.PageCount())
                    break;
                continue;
            }
            if (page->ItemCount() != 2 || page->Item(1)->x0 != static_cast<int32_t>(next))
                reader_failed = true;
            ++next;
        }
        pages_read = next;
    });

    bool writer_ok = true;
    for (unsigned i = 0; i < kPages && writer_ok; ++i) {
        SpoolPage* previous = job.CurrentPage();
        writer_ok = QLX_Storage::Create(&job, 100, 200) == S_OK;
        if (previous)
            previous->MarkComplete();
        SpoolPage* page = job.CurrentPage();
        writer_ok = writer_ok && page->AddItem(TextItem::Create(0, 0, 1, 1, L"a", L"f")) &&
                    page->AddItem(TextItem::Create(i, 0, 1, 1, L"b", nullptr));
    }
    if (SpoolPage* last = job.CurrentPage())
        last->MarkComplete();
    job.SetFlags(kJobEnded);
    reader.join();

    ASSERT_TRUE(writer_ok);
    EXPECT_FALSE(reader_failed.load());
    EXPECT_EQ(pages_read.load(), kPages);
}

TEST(TextItem, KeepsPrivateCopiesAndTellsNullFromEmpty) {
    wchar_t text[] = L"hello";
    auto item = TextItem::Create(-1, 2, 3, 4, text, L"");
    ASSERT_TRUE(item);
    text[0] = L'J';
    EXPECT_STREQ(item->text.get(), L"hello");
    EXPECT_STREQ(item->font.get(), L"");
    EXPECT_EQ(item->x0, -1);

    auto bare = TextItem::Create(0, 0, 0, 0, nullptr, nullptr);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->text, nullptr);
    EXPECT_EQ(bare->font, nullptr);
}

TEST(TextItem, OutOfMemoryGivesNoItem) {
    for (int allocation = 0; allocation < 3; ++allocation) {
        FailingAlloc failing(allocation);
        EXPECT_EQ(TextItem::Create(0, 0, 1, 1, L"text", L"font"), nullptr)
            << "failing allocation " << allocation;
    }
    EXPECT_NE(TextItem::Create(0, 0, 1, 1, L"text", L"font"), nullptr);
}

} // namespace
