#include <gtest/gtest.h>

#include "ui/capture/CaptureTimeText.h"

namespace {

// The file names always use hyphens, the printed stamp the format's own separator; unknown
// formats follow the first, and the year is always four digits wide.
TEST(CaptureTimeText, BothTextsFollowTheFormat)
{
    const recording::SystemTime time{2009, 9, 0, 3, 14, 5, 9, 0}, early{999, 1, 0, 2, 3, 4, 5, 0};
    const struct {
        recording::SystemTime time;
        int format;
        const char* fileName;
        const char* printed;
    } cases[] = {
        {time, 1, "2009-09-03-140509", "2009-09-03 14:05:09"},
        {time, 2, "09-03-2009-140509", "09-03-2009 14:05:09"},
        {time, 3, "03-09-2009-140509", "03-09-2009 14:05:09"},
        {time, 4, "2009-09-03-140509", "2009/09/03 14:05:09"},
        {time, 5, "09-03-2009-140509", "09/03/2009 14:05:09"},
        {time, 6, "03-09-2009-140509", "03/09/2009 14:05:09"},
        {time, 0, "2009-09-03-140509", "2009-09-03 14:05:09"},
        {time, -1, "2009-09-03-140509", "2009-09-03 14:05:09"},
        {early, 4, "0999-01-02-030405", "0999/01/02 03:04:05"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(capture::SnapshotFileName(c.time, c.format), c.fileName) << c.format;
        EXPECT_EQ(capture::PrintTimeText(c.time, c.format), c.printed) << c.format;
    }
}

} // namespace
