// The shared formatters: byte counts, date and time, weekday and month names.
#include <gtest/gtest.h>

#include <cstring>

#include "common/format.h"
#include "common/settings.h"

namespace {

struct Language {
    explicit Language(bool english) : saved(settings) {
        settings.flags = english ? static_cast<uint32_t>(SET_ENGLISH) : 0u;
    }
    ~Language() { settings = saved; }
    settings_record saved;
};

} // namespace

TEST(Format, SizeTextSwitchesUnitsAtPowersOfAThousand) {
    struct Case {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0"},
        {999999, "999999"},
        {1000000, "1.0 M"},
        {6000000, "6.0 M"},
        {1260000, "1.3 M"},
        {999949999, "999.9 M"},
        {999999999, "1000.0 M"}, // still below 10^9: megabytes, rounded
        {1000000000, "1.0 G"},
        {1500000000000ull, "1.5 T"},
        {999999999999999ull, "1000.0 T"},
        {1000000000000000ull, "1.0 P"},
        {999999999999999999ull, "1000.0 P"},
        {1000000000000000000ull, "giant size"},
        {UINT64_MAX, "giant size"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(size_text(c.bytes), c.text) << c.bytes;
    // One shared buffer: the next call replaces the text.
    const char* first = size_text(1);
    size_text(2);
    EXPECT_STREQ(first, "2");
}

TEST(Format, DateTimeTextWithAndWithoutTheTime) {
    Language english(true);
    // 61384 is Thursday 10 December 2026.
    EXPECT_STREQ(date_time_text(61384, 20 * 60 + 5), "Th 10.12.2026 20:05");
    EXPECT_STREQ(date_time_text(61384, 0), "Th 10.12.2026  0:00");
    EXPECT_STREQ(date_time_text(61377, 9 * 60 + 30), "Th  3.12.2026  9:30");
    // A negative minute ends the text after the date.
    const char* date_only = date_time_text(61387, -1);
    EXPECT_STREQ(date_only, "Su 13.12.2026");
    EXPECT_EQ(std::strlen(date_only), 13u);
    Language german(false);
    EXPECT_STREQ(date_time_text(61387, 23 * 60 + 59), "So 13.12.2026 23:59");
    EXPECT_STREQ(date_time_text(61385, -30), "Fr 11.12.2026");
}

TEST(Format, WeekdayAndMonthNames) {
    {
        Language english(true);
        const char* days[] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
        for (int n = 0; n < 7; ++n)
            EXPECT_STREQ(weekday_name(n), days[n]) << n;
        EXPECT_STREQ(month_name(1), "January");
        EXPECT_STREQ(month_name(12), "December");
        EXPECT_STREQ(month_name(0), "December");
        EXPECT_STREQ(month_name(13), "January");
    }
    Language german(false);
    const char* tage[] = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
    for (int n = 0; n < 7; ++n)
        EXPECT_STREQ(weekday_name(n), tage[n]) << n;
    EXPECT_STREQ(month_name(3), "M\xE4rz");
    EXPECT_STREQ(month_name(10), "Oktober");
    EXPECT_STREQ(month_name(-1), "November") << "out-of-range numbers stay in the table";
    EXPECT_STREQ(weekday_name(-1), "So");
}
