#pragma once

// The progress of one upload over the pages [first, end): after page j the share of the pages
// before it, (j - first) * 100 / (end - first), reported only when it grew; 100 once at the
// end, since the last page's share is always below it.
class UploadProgress {
public:
    UploadProgress(long first, long end) : first_(first), end_(end) {}

    // The percent to report after page j, or -1 when it did not grow.
    long AfterPage(long j) {
        const long long span = end_ - first_;
        const long percent = span > 0 ? static_cast<long>((j - first_) * 100LL / span) : 0;
        computed_ = percent;
        if (percent <= reported_)
            return -1;
        reported_ = percent;
        return percent;
    }
    // Whether 100 is still to be reported at the end.
    bool NeedsFinal() const { return computed_ < 100; }

private:
    long first_, end_;
    long reported_ = 0;
    long computed_ = 0;
};
