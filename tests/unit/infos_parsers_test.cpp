// The readers of Infos & Tools' outside input: /proc lines, the load counters, the disk's
// identification and SMART pages, the time server's answer, the forum pages; and the small
// formatters around them (device identifier, location line).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/models.h"
#include "common/receiver_id.h"
#include "infos/forum.h"
#include "infos/harddisk.h"
#include "infos/infos_window.h"
#include "infos/load_monitor.h"
#include "infos/sysinfo.h"
#include "infos/time_check.h"

namespace {

// ---- /proc lookups ----

std::string lookup(const std::string& text, const char* key) {
    char out[64] = "unchanged";
    return proc_text_lookup(text.data(), text.size(), key, out, sizeof out) ? out : "<none>";
}

TEST(InfosProc, TheFirstLineOfTheKeyGivesItsValue) {
    const std::string cpuinfo = "system type\t\t: BCM7425B2 STB platform\nprocessor\t: 0\n"
                                "cpu model\t\t: Broadcom BMIPS5000 V1.1  FPU V0.1  \r\n"
                                "cpu MHz\t\t: 1305.600\ncpu model\t: second core\n";
    struct Case {
        const char* key;
        const char* want;
    } cases[] = {
        {"system type", "BCM7425B2 STB platform"},
        {"cpu model", "Broadcom BMIPS5000 V1.1  FPU V0.1"}, // trailing blanks go
        {"cpu MHz", "1305.600"},
        {"processor", "0"},
        {"cpu", "Broadcom BMIPS5000 V1.1  FPU V0.1"}, // a line that begins with the key
        {"MemTotal", "<none>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lookup(cpuinfo, c.key), c.want) << c.key;
    EXPECT_EQ(lookup("key:value\nkey: second\n", "key"), "second") << "':' without a blank";
    EXPECT_EQ(lookup("key:", "key"), "<none>");
    EXPECT_EQ(lookup("key: ", "key"), "");
    EXPECT_EQ(lookup("", "key"), "<none>");
}

TEST(InfosProc, OverLongLinesCountAsTheirFirst799Bytes) {
    const std::string long_value(2000, 'x');
    const std::string text = "a: " + long_value + "\nb: after\n";
    char out[1200];
    ASSERT_TRUE(proc_text_lookup(text.data(), text.size(), "a", out, sizeof out));
    EXPECT_EQ(std::strlen(out), 796u) << "799 bytes of the line, less \"a: \"";
    EXPECT_EQ(lookup(text, "b"), "after");
    // The rest of a long line is no line of its own.
    const std::string tricky = "pad: " + std::string(794, 'y') + "key: hidden\n";
    EXPECT_EQ(lookup(tricky, "key"), "<none>");
    char small[4];
    ASSERT_TRUE(proc_text_lookup(text.data(), text.size(), "b", small, sizeof small));
    EXPECT_STREQ(small, "aft") << "cut to the buffer";
}

TEST(InfosProc, CpuModelMemoryAndModels) {
    char model[] = "Broadcom BMIPS5000 V1.1  FPU V0.1";
    cpu_model_cut(model);
    EXPECT_STREQ(model, "Broadcom BMIPS5000 V1.1");
    char single[] = "MIPS 24K FPU";
    cpu_model_cut(single);
    EXPECT_STREQ(single, "MIPS 24K FPU") << "one blank is no cut";
    EXPECT_EQ(memory_mb_of("124000 kB"), 125);
    EXPECT_EQ(memory_mb_of("  999 kB"), 1);
    EXPECT_EQ(memory_mb_of("kB"), 0);
    EXPECT_STREQ(model_name(22010), "SRP 2100");
    EXPECT_STREQ(model_name(42561), "CRP 2401 CI+ Conax");
    EXPECT_STREQ(model_name(12345), "");
    EXPECT_EQ(model_recording_slots(22010), 2);
    EXPECT_EQ(model_recording_slots(12345), 4);
}

// ---- receiver signature ----

TEST(InfosSignature, MacFoldAndIdentifier) {
    const uint8_t mac[6] = {0x00, 0x1c, 0xa2, 0x10, 0x20, 0x30};
    EXPECT_EQ(mac_fold(mac), 0x1CB210u);
    char id[64];
    device_identifier(id, sizeof id, "TMS 5.21", 22010, 0, 0);
    EXPECT_STREQ(id, "TMS 5.21-22010-") << "n = 0 adds no digit";
    // n = ((0x1CB210 >> 4 ^ 0x1CB210) & 0xFFFFF) * 1296 + 476940 / 10240, digits low first.
    uint32_t n = ((0x1CB210u >> 4 ^ 0x1CB210u) & 0xFFFFF) * 1296 + 476940 / 10240;
    std::string digits;
    for (; n; n /= 36)
        digits += "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[n % 36];
    device_identifier(id, sizeof id, "FW", 7, 0x1CB210, 476940);
    EXPECT_EQ(std::string(id), "FW-7-" + digits);
    char small[8];
    device_identifier(small, sizeof small, "FIRMWARE", 1, 0x1CB210, 1);
    EXPECT_STREQ(small, "FIRMWAR") << "cut, never beyond the buffer";
}

TEST(InfosSignature, BuildTextBehindTheWordAlignedFormat) {
    alignas(4) char image[96] = {};
    std::memcpy(image + 2, "v%d.%d.%d", 10); // not on a word boundary: not taken
    std::memcpy(image + 32, "v%d.%d.%d", 10);
    std::memcpy(image + 44, "Jul 21 2015", 12);
    char text[40] = "";
    ASSERT_TRUE(fw_build_scan(image, image + sizeof image, text, sizeof text));
    EXPECT_STREQ(text, "Jul 21 2015");
    char unchanged[8] = "none";
    EXPECT_FALSE(fw_build_scan(image, nullptr, unchanged, sizeof unchanged));
    EXPECT_FALSE(fw_build_scan(image, image + 40, unchanged, sizeof unchanged));
    EXPECT_STREQ(unchanged, "none");
    // A text running to the image's end stops there.
    alignas(4) char edge[56] = {};
    std::memcpy(edge + 32, "v%d.%d.%d", 10);
    std::memset(edge + 44, 'A', 12);
    ASSERT_TRUE(fw_build_scan(edge, edge + sizeof edge, text, sizeof text));
    EXPECT_EQ(std::string(text), std::string(12, 'A'));
}

// ---- load monitor ----

line_source text_lines(const std::string& text) {
    return line_source{nullptr, text.data(), text.size(), 0};
}

std::string stat_text(long c0_busy, long c0_idle, long c1_busy, long c1_idle) {
    return "cpu  1 2 3 4 5 6 7 8\n"
           "cpu0 " +
           std::to_string(c0_busy) + " 0 0 " + std::to_string(c0_idle) +
           " 0 0 0 0\n"
           "cpu1 " +
           std::to_string(c1_busy) + " 0 0 " + std::to_string(c1_idle) +
           " 0 0 0 0\n"
           "intr " +
           std::string(300, '7') + "\nctxt 1\n";
}

TEST(InfosLoad, LinesOfStatAndDiskstats) {
    uint64_t c[LOAD_COUNTERS];
    EXPECT_EQ(stat_cpu_line("cpu  1 2 3 4 5 6 7 8", c), -1);
    EXPECT_EQ(stat_cpu_line("cpu1 10 20 30 40 50 60 70 80", c), 1);
    EXPECT_EQ(c[3], 40u);
    EXPECT_EQ(stat_cpu_line("cpu0 5 6", c), 0) << "missing counters count 0";
    EXPECT_EQ(c[1], 6u);
    EXPECT_EQ(c[7], 0u);
    EXPECT_EQ(stat_cpu_line("cpufreq 1", c), -2);
    EXPECT_EQ(stat_cpu_line("intr 1 2", c), -2);

    char letter;
    uint64_t read, written;
    ASSERT_TRUE(diskstats_disk_line("   8      16 sdb 11 12 13 14 15 16 17 18 19 20 21", &letter,
                                    &read, &written));
    EXPECT_EQ(letter, 'b');
    EXPECT_EQ(read, 13u);
    EXPECT_EQ(written, 17u);
    EXPECT_FALSE(diskstats_disk_line("   8      17 sdb1 11 12 13 14 15 16 17 18 19 20 21", &letter,
                                     &read, &written))
        << "a partition";
    EXPECT_FALSE(diskstats_disk_line("   7       0 loop0 1 2 3 4 5 6 7 8 9 10 11", &letter, &read,
                                     &written));
    EXPECT_FALSE(diskstats_disk_line("   8       0 sda 1 2 3", &letter, &read, &written))
        << "too few counters";
}

TEST(InfosLoad, TwoMeasurementsGiveLoadsRatesAndTime) {
    load_state s{};
    s.tick_rate = 100;
    std::string stat = stat_text(100, 900, 300, 700);
    std::string disks = "   8 0 sda 1 0 1000 0 1 0 2000 0 0 0 0\n"
                        "   8 1 sda1 1 0 999 0 1 0 999 0 0 0 0\n"
                        "   8 16 sdb 1 0 50 0 1 0 60 0 0 0 0\n";
    line_source a = text_lines(stat), b = text_lines(disks);
    ASSERT_EQ(load_measure_from(&s, 0, &a, &b), 0); // the starting point
    EXPECT_EQ(s.sectors_read[0], 1000u);
    EXPECT_EQ(s.sectors_written[1], 60u);
    EXPECT_EQ(s.figures.elapsed, 0);

    // Core 0: 50 busy of 200 ticks; core 1: 150 of 200.
    stat = stat_text(150, 1050, 450, 750);
    disks = "   8 0 sda 1 0 5000 0 1 0 2000 0 0 0 0\n   8 16 sdb 1 0 1050 0 1 0 2060 0 0 0 0\n";
    a = text_lines(stat);
    b = text_lines(disks);
    ASSERT_EQ(load_measure_from(&s, 'b', &a, &b), 0);
    EXPECT_DOUBLE_EQ(s.figures.core_load[0], 25.0);
    EXPECT_DOUBLE_EQ(s.figures.core_load[1], 75.0);
    EXPECT_DOUBLE_EQ(s.figures.interval, 2.0);
    EXPECT_DOUBLE_EQ(s.figures.elapsed, 2.0);
    EXPECT_DOUBLE_EQ(s.figures.read_rate, 1000 * 0.000512 / 2) << "sdb, not its neighbour";
    EXPECT_DOUBLE_EQ(s.figures.write_rate, 2000 * 0.000512 / 2);
    EXPECT_EQ(s.sectors_read[1], 50u) << "a call with a letter keeps the starting point";
}

TEST(InfosLoad, Failures) {
    const std::string stat = stat_text(100, 900, 300, 700);
    const std::string one_core = "cpu  1 2 3 4 5 6 7 8\ncpu0 1 2 3 4 5 6 7 8\nintr 1\n";
    const std::string skipped = "cpu  1\ncpu1 1 2 3 4 5 6 7 8\ncpu0 1 2 3 4 5 6 7 8\n";
    struct Case {
        const char* what;
        long tick_rate;
        const std::string* stat;
        bool diskstats;
        int want;
    } cases[] = {
        {"tick rate 0", 0, &stat, true, -1},
        {"no /proc/stat", 100, nullptr, true, -2},
        {"one core", 100, &one_core, true, -3},
        {"core 1 before core 0", 100, &skipped, true, -3},
        {"no /proc/diskstats", 100, &stat, false, -4},
    };
    for (const Case& c : cases) {
        load_state s{};
        s.tick_rate = c.tick_rate;
        line_source a = c.stat ? text_lines(*c.stat) : line_source{};
        line_source b = text_lines("");
        EXPECT_EQ(load_measure_from(&s, 'a', c.stat ? &a : nullptr, c.diskstats ? &b : nullptr),
                  c.want)
            << c.what;
    }
    // The same counters twice (two calls in one tick): no interval.
    load_state s{};
    s.tick_rate = 100;
    line_source a = text_lines(stat), b = text_lines("");
    ASSERT_EQ(load_measure_from(&s, 0, &a, &b), 0);
    a = text_lines(stat);
    b = text_lines("");
    EXPECT_EQ(load_measure_from(&s, 'a', &a, &b), -3);
}

TEST(InfosLoad, RatesCountFromZeroWithoutAStartingPoint) {
    load_state s{};
    s.tick_rate = 100;
    const std::string stat = stat_text(10, 90, 10, 90);
    const std::string disks = "   8 0 sda 1 0 1000 0 1 0 3000 0 0 0 0\n";
    line_source a = text_lines(stat), b = text_lines(disks);
    ASSERT_EQ(load_measure_from(&s, 'a', &a, &b), 0);
    EXPECT_DOUBLE_EQ(s.figures.elapsed, 1.0);
    EXPECT_DOUBLE_EQ(s.figures.read_rate, 1000 * 0.000512);
}

TEST(InfosLoad, LongLinesArePassedOver) {
    // A first line far beyond the line buffer whose rest would look like a core's line.
    const std::string text =
        "intr " + std::string(94, '1') + "cpu0 1 2 3 4 5 6 7 8\n" + stat_text(1, 1, 1, 1);
    char line[LOAD_LINE];
    line_source src = text_lines(text);
    ASSERT_TRUE(line_next(&src, line, sizeof line));
    EXPECT_EQ(std::strlen(line), LOAD_LINE - 1u);
    ASSERT_TRUE(line_next(&src, line, sizeof line));
    EXPECT_STREQ(line, "cpu  1 2 3 4 5 6 7 8");
}

// ---- disk identity and SMART ----

std::vector<uint8_t> identify(const char* serial, const char* firmware, const char* model,
                              uint64_t sectors, bool ata_order) {
    std::vector<uint8_t> b(ATA_BLOCK, 0);
    auto put = [&](size_t at, size_t n, const char* text) {
        for (size_t i = 0; i < n; ++i)
            b[at + (ata_order ? i ^ 1 : i)] = i < std::strlen(text) ? text[i] : ' ';
    };
    put(20, 20, serial);
    put(46, 8, firmware);
    put(54, 40, model);
    for (int i = 0; i < 8; ++i)
        b[200 + i] = static_cast<uint8_t>(sectors >> (8 * i));
    return b;
}

TEST(InfosDisk, IdentityInBothByteOrders) {
    for (bool swapped : {false, true}) {
        const auto b =
            identify("  WD-WCC6Y7HN2X0L", "01.01A01", "WDC WD10EZEX-08WN4A0", 1953525168, swapped);
        disk_identity id;
        identity_parse(b.data(), swapped, &id);
        EXPECT_STREQ(id.serial, "WD-WCC6Y7HN2X0L") << swapped;
        EXPECT_STREQ(id.firmware, "01.01A01") << swapped;
        EXPECT_STREQ(id.model, "WDC WD10EZEX-08WN4A0") << swapped;
        EXPECT_EQ(id.sectors, 1953525168u);
    }
    std::vector<uint8_t> garbage(ATA_BLOCK);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 37 + 1);
    disk_identity id;
    identity_parse(garbage.data(), false, &id);
    EXPECT_LE(std::strlen(id.model), 40u);
    for (const char* p = id.model; *p; ++p)
        EXPECT_GE(static_cast<unsigned char>(*p), 0x20) << "no control characters";
}

TEST(InfosDisk, VendorClasses) {
    struct Case {
        const char* model;
        int vendor;
    } cases[] = {{"Crucial_CT500MX500SSD1", 6},
                 {"SAMSUNG HD103SJ", 3},
                 {"ST1000DM003", 2},
                 {"WDC WD10EZEX", 1},
                 {"HGST HTS721010", 0},
                 {"", 0},
                 {"STORAGE", 2}}; // a prefix decides
    for (const Case& c : cases)
        EXPECT_EQ(vendor_class(c.model), c.vendor) << c.model;
}

// A SMART page with (number, raw bytes 5..10) entries.
std::vector<uint8_t> smart_page(const std::vector<std::pair<int, std::vector<uint8_t>>>& entries) {
    std::vector<uint8_t> p(ATA_BLOCK, 0);
    size_t at = 2;
    for (const auto& [number, raw] : entries) {
        p[at] = static_cast<uint8_t>(number);
        for (size_t i = 0; i < raw.size() && i < 6; ++i)
            p[at + 5 + i] = raw[i];
        at += SMART_ENTRY;
    }
    return p;
}

TEST(InfosDisk, SmartValues) {
    const auto page = smart_page({
        {194, {0x28, 0x00, 0x14, 0x00, 0x00, 0x00}}, // temperature: byte 5 alone
        {190, {0x1E, 0x05, 0x00, 0x00, 0x00, 0x00}},
        {9, {0x10, 0x27, 0x00, 0x00, 0x99, 0x99}},   // 32 bits
        {241, {0x88, 0x52, 0x6A, 0x74, 0x00, 0x00}}, // 1953125000 sectors: 1000 GB
        {242, {0x00, 0x00, 0x00, 0x00, 0x01, 0x00}}, // bit 32: the fifth raw byte counts
        {5, {0, 0, 0, 0, 0, 0}},
        {0, {1, 2, 3, 4, 5, 6}}, // the end
        {7, {1, 0, 0, 0, 0, 0}},
    });
    smart_attribute list[64];
    const int n = smart_attributes(page.data(), list, 64);
    ASSERT_EQ(n, 6);
    EXPECT_EQ(list[0].value, 40u);
    EXPECT_EQ(list[1].value, 30u);
    EXPECT_EQ(list[2].value, 10000u);
    EXPECT_EQ(list[3].value, 1000u);
    EXPECT_EQ(list[4].value, static_cast<uint32_t>((uint64_t{1} << 32) / 1953125));
    EXPECT_EQ(list[5].value, 0u);
}

TEST(InfosDisk, AGarbagePageStaysInsideItsBytes) {
    // Bytes past the page are poisoned by the sanitizer build: reading them would fail.
    std::vector<uint8_t> page(ATA_BLOCK, 0xFF);
    smart_attribute list[64];
    const int n = smart_attributes(page.data(), list, 64);
    EXPECT_EQ(n, (ATA_BLOCK - 2) / SMART_ENTRY) << "only whole entries";
    EXPECT_EQ(smart_attributes(page.data(), list, 3), 3) << "never more than asked";
}

TEST(InfosDisk, AttributeNamesPerVendorClass) {
    struct Case {
        int number, vendor;
        const char* name; // null: none
    } cases[] = {
        {189, 1, "High Fly Writes"},
        {189, 6, "Factory Bad Blocks"},
        {189, 0, "High Fly Writes"},
        {180, 6, "Unused Reserve Blocks"},
        {180, 1, "Unused Reserve Blocks"},
        {202, 6, "Percentage Lifetime Remaining"},
        {202, 3, "DAM Error Rate"},
        {1, 2, "Raw Read Error Rate"},
        {194, 1, "Device Temperature [C]"},
        {255, 0, nullptr},
        {0, 0, nullptr},
        {246, 2, "Cumulative Host Sectors Written [GB]"},
    };
    for (const Case& c : cases) {
        const char* name = smart_name(c.number, c.vendor);
        if (c.name)
            EXPECT_STREQ(name, c.name) << c.number << "/" << c.vendor;
        else
            EXPECT_EQ(name, nullptr) << c.number;
    }
}

// ---- time check ----

TEST(InfosTime, QuarterHourOffsets) {
    struct Case {
        int64_t difference; // local - server, seconds
        bool accepted;
        int32_t minutes;
    } cases[] = {
        {(2 * 60 + 7) * 60, true, 120},
        {-(2 * 60 + 7) * 60, true, -120},
        {9 * 60, true, 0},
        {10 * 60, true, 15},
        {-10 * 60, true, -15},
        {59, true, 0},
        {(5 * 60 + 30) * 60, true, 330}, // India
        {(95 * 15 + 9) * 60, true, 95 * 15},
        {96 * 15 * 60, false, 0},
        {-96 * 15 * 60, false, 0},
        {3 * 86400, false, 0}, // a lying server: days off
    };
    const int64_t server = 1765400000;
    for (const Case& c : cases) {
        int32_t minutes = 12345;
        EXPECT_EQ(quarter_hour_offset(server + c.difference, server, &minutes), c.accepted)
            << c.difference;
        if (c.accepted) {
            EXPECT_EQ(minutes, c.minutes) << c.difference;
        }
    }
    int32_t minutes = 7;
    EXPECT_FALSE(quarter_hour_offset(1765400000, 0, &minutes)) << "no answer";
    EXPECT_EQ(minutes, 7);
}

TEST(InfosTime, AnswerTime) {
    uint8_t answer[48] = {};
    const uint32_t ntp = 1765400000u + 2208988800u;
    answer[40] = static_cast<uint8_t>(ntp >> 24);
    answer[41] = static_cast<uint8_t>(ntp >> 16);
    answer[42] = static_cast<uint8_t>(ntp >> 8);
    answer[43] = static_cast<uint8_t>(ntp);
    EXPECT_EQ(sntp_answer_time(answer, 48), 1765400000u);
    EXPECT_EQ(sntp_answer_time(answer, 47), 0u);
    EXPECT_EQ(sntp_answer_time(answer, -1), 0u);
}

// ---- location line ----

TEST(InfosLocation, TheLineFitsItsTexts) {
    struct Case {
        unsigned mode;
        const char *city, *region, *region_code, *country, *country_code, *want;
    } cases[] = {
        // 17 + 6 + 2 > 22: the region code; then 17 + 2 + 7 > 22: the country code too.
        {4, "Frankfurt am Main", "Hessen", "HE", "Germany", "DE", "Frankfurt am Main / HE / DE"},
        {4, "Bonn", "Nordrhein-Westfalen", "NW", "Germany", "DE", "Bonn / NW / Germany"},
        {4, "Kiel", "Schleswig", "SH", "Germany", "DE", "Kiel / Schleswig / Germany"},
        {4, "Kiel", "", "SH", "", "DE", "Kiel / SH / DE"},
        {3, "Frankfurt am Main", "Hessen", "HE", "Germany", "DE", "  / Hessen / Germany"},
        {2, "Frankfurt am Main", "Hessen", "HE", "Germany", "DE", "  /   / Germany"},
        {0, "Frankfurt am Main", "Hessen", "HE", "Germany", "DE", "Frankfurt am Main / HE / DE"},
    };
    for (const Case& c : cases) {
        char out[80];
        location_text(c.mode, c.city, c.region, c.region_code, c.country, c.country_code, out,
                      sizeof out);
        EXPECT_STREQ(out, c.want) << c.mode << " " << c.city;
    }
}

// ---- forum pages ----

TEST(InfosForum, EnglishPage) {
    const std::string page =
        "<html><body>\n<h3>Who is online</h3>\n"
        "There are currently <strong>42</strong> users online\n"
        "line2\nline3\nline4\nline5\nline6\nline7 is skipped\nline8\n"
        "Most users ever online was <b>812</b> on Tue Jan 01, 2019\n"
        "Registered users: <a href=\"x\">alice</a>, <a>bob</a> - Members List\n"
        "line11\nline12\nline13\nline14 is not taken\n"
        "<p>Topics: <b>12345</b>\n   Posts:   67890 \n<p>after</p>\n</body></html>\n";
    char out[800];
    const size_t n = forum_extract(page.data(), page.size(), true, out, sizeof out);
    EXPECT_EQ(n, std::strlen(out));
    EXPECT_STREQ(out, "There are currently 42 users online line2 line3 line4 line5 line6 line8 "
                      "Registered users: alice, bob line11 line12 line13\n"
                      "Topics: 12345 Posts: 67890\n");
}

TEST(InfosForum, GermanPage) {
    const std::string page =
        "<div>\n"
        "<p>Insgesamt sind <b>23</b> Besucher online :: 4 sichtbare Mitglieder, 0 unsichtbare und "
        "19 G&auml;ste (basierend auf den aktiven Besuchern)</p>\n"
        "<p><b>Mitglieder: </b><a>anna</a>, <a>bernd</a></p>\n"
        "<p>Beitr&auml;ge insgesamt <b>9876</b> &bull; Themen insgesamt <b>543</b> &bull; "
        "Mitglieder insgesamt <b>210</b> &bull; Unser neuestes Mitglied</p>\n</div>\n";
    char out[800];
    forum_extract(page.data(), page.size(), false, out, sizeof out);
    EXPECT_STREQ(out, "23 Besucher online: 4 sichtbare und 19 G&auml;ste\n"
                      "\t\tMitglieder: anna, bernd\n"
                      "Beitr&auml;ge 9876, Themen 543, Mitglieder 210\n");
}

TEST(InfosForum, PagesWithoutFiguresAndSmallBuffers) {
    char out[16] = "x";
    EXPECT_EQ(forum_extract("<html></html>", 13, true, out, sizeof out), 0u);
    EXPECT_STREQ(out, "");
    const std::string page = "There are currently many many many users online\n";
    EXPECT_EQ(forum_extract(page.data(), page.size(), true, out, sizeof out), 15u);
    EXPECT_EQ(std::strlen(out), 15u);
    EXPECT_EQ(forum_extract(nullptr, 0, false, out, sizeof out), 0u);
}

} // namespace
