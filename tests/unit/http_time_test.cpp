// The date parser of web answers and TAP headers.
#include <gtest/gtest.h>

#include <ctime>

#include "common/http_time.h"

namespace {

// The same moment through mktime, as local time.
uint32_t local_seconds(int year, int month, int day, int hour, int minute, int second) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<uint32_t>(mktime(&t));
}

} // namespace

TEST(HttpTime, BothFormsParse) {
    const uint32_t build = local_seconds(2016, 3, 18, 23, 28, 16);
    struct Case {
        const char* text;
        uint32_t seconds;
    } cases[] = {
        {"18 Mar 2016 23:28:16 GMT", build}, // the web form behind its weekday and comma
        {"Mar 18 2016 23:28:16", build},     // a TAP's build date
        {"  18 mar 2016 23:28:16", build},   // leading blanks, month name in any case
        {"MAR 18 2016 23:28:16", build},
        {"1 Jan 2030 00:00:00 GMT", local_seconds(2030, 1, 1, 0, 0, 0)},
        {"Dec  7 2019 18:14:13", local_seconds(2019, 12, 7, 18, 14, 13)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(atot(c.text), c.seconds) << c.text;
}

TEST(HttpTime, UnparseableTextsGiveZero) {
    const char* texts[] = {
        "",
        "18 March 2016 23:28:16",    // the month name is the short one
        "18 Mrz 2016 23:28:16",      // no month
        "18 Mar 2016 23:28",         // no seconds
        "Fri, 18 Mar 2016 23:28:16", // the weekday belongs before the comma
        "18 Mar -2016 23:28:16",
        "18 Mar 99999999999 23:28:16",
        "Marchxxxxxxxxxxxxxxxxxxxxxxxxxxx 18 2016 23:28:16",
    };
    for (const char* text : texts)
        EXPECT_EQ(atot(text), 0u) << text;
    EXPECT_EQ(atot(nullptr), 0u);
}

TEST(HttpTime, LaterDatesAreLarger) {
    EXPECT_LT(atot("Mar 18 2016 23:28:16"), atot("18 Mar 2016 23:28:17 GMT"));
    EXPECT_LT(atot("31 Dec 2016 23:59:59"), atot("1 Jan 2017 00:00:00"));
}
