#include <gtest/gtest.h>

#include "ui/capture/CaptureTimeText.h"

namespace {

recording::SystemTime Time(int year, int month, int day, int hour, int minute, int second)
{
    recording::SystemTime t;
    t.wYear = static_cast<uint16_t>(year);
    t.wMonth = static_cast<uint16_t>(month);
    t.wDay = static_cast<uint16_t>(day);
    t.wHour = static_cast<uint16_t>(hour);
    t.wMinute = static_cast<uint16_t>(minute);
    t.wSecond = static_cast<uint16_t>(second);
    return t;
}

struct Case {
    int format;
    const char* fileName;
    const char* printed;
};

class CaptureTimeText : public testing::TestWithParam<Case> {};

// 3 September 2009, 14:05:09: the names always use hyphens, the printed stamp the
// format's own separator.
TEST_P(CaptureTimeText, BothTextsFollowTheFormat)
{
    const Case c = GetParam();
    const auto time = Time(2009, 9, 3, 14, 5, 9);
    EXPECT_EQ(capture::SnapshotFileName(time, c.format), c.fileName);
    EXPECT_EQ(capture::PrintTimeText(time, c.format), c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CaptureTimeText,
    testing::Values(Case{1, "2009-09-03-140509", "2009-09-03 14:05:09"},
                    Case{2, "09-03-2009-140509", "09-03-2009 14:05:09"},
                    Case{3, "03-09-2009-140509", "03-09-2009 14:05:09"},
                    Case{4, "2009-09-03-140509", "2009/09/03 14:05:09"},
                    Case{5, "09-03-2009-140509", "09/03/2009 14:05:09"},
                    Case{6, "03-09-2009-140509", "03/09/2009 14:05:09"}),
    [](const testing::TestParamInfo<Case>& info) { return "Format" + std::to_string(info.param.format); });

TEST(CaptureTimeTextEdges, YearIsAlwaysFourDigitsWide)
{
    const auto time = Time(999, 1, 2, 3, 4, 5);
    EXPECT_EQ(capture::SnapshotFileName(time, 3), "02-01-0999-030405");
    EXPECT_EQ(capture::PrintTimeText(time, 4), "0999/01/02 03:04:05");
}

TEST(CaptureTimeTextEdges, UnknownFormatsFollowTheFirst)
{
    const auto time = Time(2010, 3, 9, 8, 5, 7);
    for (int format : {0, 7, -1}) {
        EXPECT_EQ(capture::SnapshotFileName(time, format), "2010-03-09-080507");
        EXPECT_EQ(capture::PrintTimeText(time, format), "2010-03-09 08:05:07");
    }
}

} // namespace
