// The records of the settings folder: their bytes, the loading and saving rules, the path and
// touch rules, the settings' ranges, and the usage counting.
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "common/paths.h"
#include "common/persist.h"
#include "common/usage.h"
#include "emu_fixture.h"
#include "platform/tap_api.h"

using emu_test::CoreTest;
using emu_test::read_file;
using emu_test::write_file;

namespace {

std::string bytes_of(const uint8_t* p, size_t n) {
    return std::string(reinterpret_cast<const char*>(p), n);
}

} // namespace

TEST(Records, FieldsLieLittleEndianAtTheirOffsets) {
    usage_record u{};
    u.starts = 0x0102;
    u.first_day = 61384; // above 32767: kept as the unsigned day it is
    u.runtime_before = 0x0A0B0C0D;
    u.current_day = 0xEFCD;
    u.last_exit = usage_moment{0x1234, 20, 15};
    u.opened[USE_TRIM] = 0xBEEF;
    uint8_t b[USAGE_RECORD_SIZE];
    usage_to_bytes(u, b);
    EXPECT_EQ(b[0x00], 0x02);
    EXPECT_EQ(b[0x01], 0x01);
    EXPECT_EQ(b[0x02] | b[0x03] << 8, 61384);
    EXPECT_EQ(b[0x04], 0x0D);
    EXPECT_EQ(b[0x07], 0x0A);
    EXPECT_EQ(b[0x0A], 0xCD);
    EXPECT_EQ(b[0x18], 0x34);
    EXPECT_EQ(b[0x1A], 20);
    EXPECT_EQ(b[0x1B], 15);
    EXPECT_EQ(b[0x3E], 0xEF);
    EXPECT_EQ(b[0x3F], 0xBE);
    usage_record back{};
    usage_from_bytes(b, &back);
    EXPECT_EQ(std::memcmp(&back, &u, sizeof u), 0);

    key_stats_record k{};
    k.start_day = 61000;
    k.total = 7;
    k.counters[0x45] = 0x81000003; // held, bits 24-30 kept
    k.unused188[119] = 0x5A;
    uint8_t kb[KEY_STATS_RECORD_SIZE];
    key_stats_to_bytes(k, kb);
    EXPECT_EQ(kb[0x08 + 4 * 0x45], 0x03);
    EXPECT_EQ(kb[0x08 + 4 * 0x45 + 3], 0x81);
    EXPECT_EQ(kb[511], 0x5A);
    key_stats_record kback{};
    key_stats_from_bytes(kb, &kback);
    EXPECT_EQ(std::memcmp(&kback, &k, sizeof k), 0);

    position_record p{};
    std::memcpy(p.country, "Deutschland", 11);
    std::memset(p.city, 'x', sizeof p.city); // a text that fills its field stays unterminated
    p.latitude = 48.5f;
    p.longitude = -11.25f;
    p.query_time = 1796873400;
    p.provider = 3;
    p.service = 1;
    p.utc_offset = -60;
    uint8_t pb[POSITION_RECORD_SIZE];
    position_to_bytes(p, pb);
    EXPECT_EQ(bytes_of(pb, 11), "Deutschland");
    EXPECT_EQ(pb[0x60 + 3], 0x42) << "48.5f is 0x42420000";
    EXPECT_EQ(pb[0x6C], 3);
    EXPECT_EQ(pb[0x74], 0xC4);
    EXPECT_EQ(bytes_of(pb + 0x80, 24), std::string(24, 'x'));
    position_record pback{};
    position_from_bytes(pb, &pback);
    EXPECT_EQ(std::memcmp(&pback, &p, sizeof p), 0);

    settings_record s{};
    s.initialised = 1;
    s.flags = 0x20090102;
    s.save_day = 61384;
    s.start_channel = -3;
    s.latitude = -9000;
    std::strcpy(s.bookmark_path, "/WebCache/Bookmarks.html");
    uint8_t sb[SETTINGS_RECORD_SIZE];
    settings_to_bytes(s, sb);
    EXPECT_EQ(sb[0x0F], 0x20);
    EXPECT_EQ(sb[0x16] | sb[0x17] << 8, 61384);
    EXPECT_EQ(sb[0x1C], 0xFD);
    EXPECT_EQ(sb[0x1D], 0xFF);
    EXPECT_STREQ(reinterpret_cast<const char*>(sb + 0x80), "/WebCache/Bookmarks.html");
    settings_record sback{};
    settings_from_bytes(sb, &sback);
    EXPECT_EQ(std::memcmp(&sback, &s, sizeof s), 0);
}

TEST(Records, FirstRunDefaultsByReceiverAndLanguage) {
    struct Case {
        int system_id, language;
        uint32_t flags;
        uint8_t model;
    } cases[] = {
        {22120, 2, 0x90002, 2}, {22130, 1, 0x90102, 2}, {22570, 2, 0x90002, 3},
        {42031, 0, 0x90102, 0}, {42561, 2, 0x90002, 0}, {22010, 2, 0x90002, 1},
    };
    for (const Case& c : cases) {
        settings_record s;
        std::memset(&s, 0xAB, sizeof s);
        settings_defaults(&s, c.system_id, c.language);
        EXPECT_EQ(s.initialised, 1);
        EXPECT_EQ(s.flags, c.flags) << c.system_id;
        EXPECT_EQ(s.tf_model, c.model) << c.system_id;
        EXPECT_EQ(s.rc_model, c.model) << c.system_id;
        EXPECT_STREQ(s.bookmark_path, "/WebCache/Bookmarks.html");
        EXPECT_EQ(s.startup, 0u);
        EXPECT_EQ(s.receiver_id, 0);
        EXPECT_TRUE(settings_plausible(s));
    }
}

TEST(Records, SettingsOutOfRangeAreNotPlausibleAndAreClamped) {
    settings_record good{};
    settings_defaults(&good, 22010, 2);
    good.startup = 20u << 24 | 20u << 16 | 4u << 4 | 2;
    good.receiver_id = 9;
    good.sort_mp3 = 0x44;
    good.latitude = 9000;
    good.longitude = -18000;
    ASSERT_TRUE(settings_plausible(good));
    struct Case {
        const char* what;
        void (*spoil)(settings_record*);
        void (*check)(const settings_record&);
    } cases[] = {
        {"receiver ID", [](settings_record* s) { s->receiver_id = 10; },
         [](const settings_record& s) { EXPECT_EQ(s.receiver_id, 0); }},
        {"receiver model", [](settings_record* s) { s->tf_model = 5; },
         [](const settings_record& s) { EXPECT_EQ(s.tf_model, 1); }},
        {"remote model", [](settings_record* s) { s->rc_model = 255; },
         [](const settings_record& s) { EXPECT_EQ(s.rc_model, 1); }},
        {"sorting", [](settings_record* s) { s->sort_mp3 = 0x35; },
         [](const settings_record& s) { EXPECT_EQ(s.sort_mp3, 0x30); }},
        {"MP3 mode", [](settings_record* s) { s->sort_mp3 = 0xF2; },
         [](const settings_record& s) { EXPECT_EQ(s.sort_mp3, 0x02); }},
        {"TAP+Stop action", [](settings_record* s) { s->startup |= 3; },
         [](const settings_record& s) { EXPECT_EQ(settings_stop_action(s), 0u); }},
        {"location mode", [](settings_record* s) { s->startup |= 7u << 4; },
         [](const settings_record& s) { EXPECT_EQ(settings_location_mode(s), 0u); }},
        {"Max. Files", [](settings_record* s) { s->startup |= 0xFFu << 16; },
         [](const settings_record& s) { EXPECT_EQ(settings_max_files(s), 20u); }},
        {"Max. Text", [](settings_record* s) { s->startup = (s->startup & 0xFFFFFF) | 21u << 24; },
         [](const settings_record& s) { EXPECT_EQ(settings_max_text(s), 20u); }},
        {"latitude", [](settings_record* s) { s->latitude = 9001; },
         [](const settings_record& s) { EXPECT_EQ(s.latitude, 9000); }},
        {"longitude", [](settings_record* s) { s->longitude = -18001; },
         [](const settings_record& s) { EXPECT_EQ(s.longitude, -18000); }},
        {"both Files keys", [](settings_record* s) { s->flags |= SET_FILES_FILELIST; },
         [](const settings_record& s) { EXPECT_EQ(s.flags & 0x30000, 0x10000u); }},
        {"both Infos keys", [](settings_record* s) { s->flags |= SET_INFOS_INFO; },
         [](const settings_record& s) { EXPECT_EQ(s.flags & 0x180000, 0x80000u); }},
        {"bookmark path", [](settings_record* s) { std::memset(s->bookmark_path, 'x', 128); },
         [](const settings_record& s) { EXPECT_EQ(std::strlen(s.bookmark_path), 127u); }},
    };
    for (const Case& c : cases) {
        settings_record s = good;
        s.startup = 0; // Max. Files and Text 0: plausible, taken as 2
        c.spoil(&s);
        EXPECT_FALSE(settings_plausible(s)) << c.what;
        settings_clamp(&s, 22010);
        c.check(s);
        EXPECT_TRUE(settings_plausible(s)) << c.what;
    }
    settings_record zero_tables = good;
    zero_tables.startup &= 0xFFFF;
    ASSERT_TRUE(settings_plausible(zero_tables));
    settings_clamp(&zero_tables, 22010);
    EXPECT_EQ(settings_max_files(zero_tables), 2u);
    EXPECT_EQ(settings_max_text(zero_tables), 2u);
    settings_record kept = good;
    settings_clamp(&kept, 22010);
    EXPECT_EQ(std::memcmp(&kept, &good, sizeof good), 0) << "values in range stay";
}

TEST(Records, UsageCounting) {
    EXPECT_EQ(usage_day_of(61384, 4), 61383);
    EXPECT_EQ(usage_day_of(61384, 5), 61384);
    EXPECT_EQ(usage_day_of(61384, 0), 61383);

    usage_record r{};
    r.days = 3;
    r.current_day = 61380;
    r.runtime_before = 100;
    r.runtime_today = 50;
    r.first_key_today = usage_moment{61380, 7, 0};
    r.last_exit = usage_moment{61381, 1, 30};
    usage_roll_over(&r, 61384);
    EXPECT_EQ(r.days, 4);
    EXPECT_EQ(r.current_day, 61384);
    EXPECT_EQ(r.runtime_before, 150);
    EXPECT_EQ(r.runtime_today, 0);
    EXPECT_EQ(r.first_key_today.day, 0);
    EXPECT_EQ(r.exit_before_today.day, 61381);
    EXPECT_EQ(r.exit_before_today.minute, 30);

    struct Due {
        word today, checked, saved;
        int due;
    } dues[] = {
        {61384, 61324, 0, 0},     {61384, 61323, 0, 1},     {61384, 0, 0, 1},
        {61384, 61384, 61377, 1}, {61384, 61384, 61378, 0}, {61384, 61000, 61000, 2},
    };
    for (const Due& d : dues)
        EXPECT_EQ(update_due_of(d.today, d.checked, d.saved), d.due)
            << d.today << " " << d.checked << " " << d.saved;
}

TEST_F(CoreTest, KeyStatisticsCountEachPressOnceAndReleasesInTheUsage) {
    key_stats.counters[0x45] = 0x7F000000; // bits 24-30 are kept
    key_stats.counters[0x12] = 0xFFFFFF;   // the count wraps within 24 bits
    const dword p_plus = 0x10045, up = 0x10012;
    key_stats_count(p_plus);
    for (int i = 0; i < 10; ++i)
        key_stats_count(p_plus | KEY_REPEAT);
    key_stats_count(p_plus | KEY_RELEASE);
    key_stats_count(p_plus);
    key_stats_count(p_plus | KEY_RELEASE);
    key_stats_count(up);
    key_stats_count(up | KEY_RELEASE);
    key_stats_count(0x10060); // beyond the counted keys
    key_stats_count(0x10060 | KEY_RELEASE);
    EXPECT_EQ(key_stats.counters[0x45], 0x7F000002u);
    EXPECT_EQ(key_stats.counters[0x12], 0u);
    EXPECT_EQ(key_stats.total, 3u);
    EXPECT_EQ(usage.key_presses, 4);
    key_stats_count(up);
    EXPECT_EQ(key_stats.counters[0x12], KEY_STAT_HELD | 1u) << "held until its release";
}

TEST_F(CoreTest, TheFirstKeyOpensTheSessionAndTheExitSavesIt) {
    session_start_tick = 0;
    EXPECT_EQ(usage_save(), 1) << "no session: nothing saved";
    EXPECT_FALSE(std::filesystem::exists(settings_file("TovakRC.dat")));
    usage_session_key(0x1001F);
    EXPECT_EQ(session_start_tick, 0u) << "0x1001F never opens a session";
    usage_session_key(0x10001);
    const dword opened = session_start_tick;
    EXPECT_NE(opened, 0u);
    EXPECT_EQ(usage.session_first_key.day, 61384);
    EXPECT_EQ(usage.session_first_key.hour, 20);
    EXPECT_EQ(usage.first_key_today.minute, 15);
    emu->wait_ms(65000);
    usage_session_key(0x10002);
    EXPECT_EQ(session_start_tick, opened) << "the session is open already";
    EXPECT_EQ(usage.session_first_key.minute, 15);
    ASSERT_EQ(usage_save(), 0);
    EXPECT_EQ(session_start_tick, 0u);
    EXPECT_EQ(usage.runtime_today, 65);
    EXPECT_EQ(usage.last_exit.minute, 16);
    std::string dat = read_file(settings_file("TovakRC.dat"));
    ASSERT_EQ(dat.size(), 64u);
    EXPECT_EQ(static_cast<uint8_t>(dat[0x0C]), 65);
    // The next session of the same day keeps the day's first key.
    usage_session_key(0x10003);
    EXPECT_EQ(usage.first_key_today.minute, 15);
    EXPECT_EQ(usage.session_first_key.minute, 16);
    session_start_tick = 0;
}

TEST_F(CoreTest, RecordLoadRulesAndBackups) {
    uint8_t buffer[8];
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(record_load("R", buffer, sizeof buffer), -1);
    write_file(settings_file("R"), "abc");
    EXPECT_EQ(record_load("R", buffer, sizeof buffer), -2);
    EXPECT_EQ(bytes_of(buffer, 3), "abc") << "a short file leaves what was read";
    write_file(settings_file("R"), "0123456789");
    EXPECT_EQ(record_load("R", buffer, sizeof buffer), 0) << "a longer file is complete";
    EXPECT_EQ(bytes_of(buffer, 8), "01234567");

    // A complete record refreshes its backup; a missing or short one comes from the backup.
    EXPECT_EQ(record_load_with_backup("R", buffer, sizeof buffer), 0);
    EXPECT_EQ(read_file(settings_file("R.backup")), "01234567");
    write_file(settings_file("R"), "xy");
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(record_load_with_backup("R", buffer, sizeof buffer), 1);
    EXPECT_EQ(bytes_of(buffer, 8), "01234567");
    EXPECT_EQ(read_file(settings_file("R.backup")), "01234567") << "the backup stays";
    std::filesystem::remove(settings_file("R.backup"));
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(record_load_with_backup("R", buffer, sizeof buffer), -1);
    EXPECT_EQ(bytes_of(buffer, 3), std::string("xy\0", 3)) << "what was read stays";

    // Saving truncates, writes the bytes and sets the file time to the receiver's local time.
    write_file(settings_file("S"), std::string(100, 'z'));
    ASSERT_EQ(record_save("S", "12345678", 8), 0);
    EXPECT_EQ(read_file(settings_file("S")), "12345678");
    struct stat st;
    ASSERT_EQ(stat(settings_file("S").c_str(), &st), 0);
    // 2026-12-10 20:15:30 local time as Unix seconds.
    EXPECT_EQ(static_cast<int64_t>(st.st_mtime), 1796933730);
    EXPECT_EQ(record_save("NoFolder/S", "1", 1), -1);
}

TEST_F(CoreTest, SettingsFolderCheckCreatesTheFolders) {
    std::filesystem::remove_all(disk / "ProgramFiles/Settings");
    hdd_success_record();
    EXPECT_EQ(settings_folder_check(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(disk / "ProgramFiles/Settings/TovakRC"));
    EXPECT_EQ(emu->disk().cwd(), "/ProgramFiles/Settings/TovakRC");
    std::filesystem::remove_all(disk / "ProgramFiles/Settings");
    write_file(disk / "ProgramFiles/Settings", "a file");
    EXPECT_EQ(settings_folder_check(), -2);
    std::filesystem::remove(disk / "ProgramFiles/Settings");
    write_file(disk / "ProgramFiles/Settings/TovakRC", "a file");
    EXPECT_EQ(settings_folder_check(), -3);
    std::filesystem::remove_all(disk / "ProgramFiles");
    EXPECT_EQ(settings_folder_check(), -1);
    EXPECT_FALSE(std::filesystem::exists(disk / "ProgramFiles"));
}

TEST_F(CoreTest, PathAndTouchRules) {
    struct Case {
        const char* folder;
        const char* name;
        const char* path;
    } cases[] = {
        {nullptr, "TovakRC.ini", "/ProgramFiles/Settings/TovakRC/TovakRC.ini"},
        {nullptr, "/WebCache/Bookmarks.html", "/WebCache/Bookmarks.html"},
        {"/DataFiles", "a.rec", "/DataFiles/a.rec"},
        {"/DataFiles/", "/a.rec", "/DataFiles/a.rec"},
        {"/", "x", "/x"},
        {"", "x", "/x"},
        {"sub", "x", "/ProgramFiles/Settings/TovakRC/sub/x"},
        {"/MP3Files", "", "/MP3Files/"},
    };
    for (const Case& c : cases) {
        char* p = path_tap(c.folder, c.name);
        ASSERT_NE(p, nullptr);
        EXPECT_STREQ(p, c.path) << (c.folder ? c.folder : "(null)") << " + " << c.name;
        mem_free(p);
    }
    char* libc = path_libc("/DataFiles", "a.rec");
    ASSERT_NE(libc, nullptr);
    EXPECT_EQ(std::string(libc), emu->root() + "/mnt/hd/DataFiles/a.rec");
    mem_free(libc);
    char small[8];
    EXPECT_EQ(path_libc_into(nullptr, "TovakRC.log", small, sizeof small), -1);
    EXPECT_STREQ(small, "");

    EXPECT_EQ(local_unix_time(), 1796933730u);
    std::string made = settings_file("touched").string();
    ASSERT_EQ(file_touch(made.c_str()), 0);
    struct stat st;
    ASSERT_EQ(stat(made.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(static_cast<int64_t>(st.st_mtime), 1796933730);
    EXPECT_EQ(static_cast<int64_t>(st.st_atime), 1796933730);
    EXPECT_EQ(file_touch((dir / "missing/folder/x").c_str()), -1);
}
