// A recording of more than 4 GB, as most recordings on a receiver are: listed with its size and
// details, copied whole to the USB medium through the copy queue, and deleted with its
// companions. The stream is sparse (a few data blocks, the rest holes), so the test stays small
// on any file system that keeps holes; the copy keeps them.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "common/settings.h"
#include "scenario.h"

using scenario::Scenario;
namespace fs = std::filesystem;

namespace {

constexpr off_t stream_size = 4600000123; // "4.6 G"

// Data of the stream: transport packets at its start, blocks across 2 GB and 4 GB, its end.
struct Block {
    off_t at;
    size_t size;
    char fill;
};
const Block blocks[] = {
    {0, 20 * 188, 'G'},
    {(off_t{1} << 31) - 1000, 70000, 'a'},
    {(off_t{1} << 32) - 3000, 70000, 'b'},
    {stream_size - 5000, 5000, 'z'},
};

std::string block_bytes(const Block& b) {
    std::string s(b.size, b.fill);
    for (size_t i = 0; i < s.size(); i += 188)
        s[i] = 0x47; // a packet's sync byte every 188 bytes
    return s;
}

// The recording header: magic, version, start time, 95 minutes, the channel, EPG 1:30.
std::string inf_header() {
    std::string h(3320, '\0');
    h.replace(0, 4, "TFrc");
    h[4] = 0x00;
    h[5] = static_cast<char>(0x80);
    const uint32_t start = 61384u << 16 | 20 << 8 | 15;
    for (int i = 0; i < 4; ++i)
        h[8 + i] = static_cast<char>(start >> (8 * i));
    h[12] = 95;
    h.replace(42, 9, "Das Erste");
    h[70] = 30;
    h[71] = 1;
    return h;
}

// Where the next data of a file lies from pos on (the file's size where none is left).
off_t next_data(int fd, off_t pos, off_t size) {
    off_t data = lseek(fd, pos, SEEK_DATA);
    if (data >= 0) return data;
    return errno == ENXIO ? size : pos; // a file system without hole information: read on
}

// True when both files have the same size and bytes; what is a hole in both is not read.
bool same_contents(const fs::path& a, const fs::path& b, std::string* why) {
    const off_t size = static_cast<off_t>(fs::file_size(a));
    if (static_cast<off_t>(fs::file_size(b)) != size) {
        *why = "sizes differ";
        return false;
    }
    int fa = open(a.c_str(), O_RDONLY), fb = open(b.c_str(), O_RDONLY);
    bool same = fa >= 0 && fb >= 0;
    std::vector<char> x(1 << 20), y(1 << 20);
    off_t pos = 0;
    while (same && pos < size) {
        pos = std::min(next_data(fa, pos, size), next_data(fb, pos, size));
        if (pos >= size) break;
        ssize_t n = pread(fa, x.data(), x.size(), pos);
        same = n > 0 && pread(fb, y.data(), x.size(), pos) == n &&
               std::equal(x.begin(), x.begin() + n, y.begin());
        if (!same) *why = "bytes differ from " + std::to_string(pos);
        pos += n;
    }
    if (fa >= 0) close(fa);
    if (fb >= 0) close(fb);
    return same;
}

class LargeFile : public Scenario {
  protected:
    void SetUp() override {
        Scenario::SetUp();
        fs::path folder = disk_path("/ProgramFiles/Settings/TovakRC");
        fs::create_directories(folder);
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING | SET_LOGGING;
        s.tf_model = s.rc_model = 1;
        s.startup = 2u << 16;
        std::ofstream(folder / "TovakRC.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        fs::create_directories(disk_path("/DataFiles"));
        stream = disk_path("/DataFiles/Film.rec");
        int fd = open(stream.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, stream_size), 0);
        for (const Block& b : blocks) {
            const std::string bytes = block_bytes(b);
            ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), b.at),
                      static_cast<ssize_t>(bytes.size()));
        }
        close(fd);
        std::ofstream(disk_path("/DataFiles/Film.rec.inf"), std::ios::binary) << inf_header();
        std::ofstream(disk_path("/DataFiles/Film.rec.nav"), std::ios::binary)
            << std::string(4096, '\x11');
    }
    fs::path stream;
};

} // namespace

TEST_F(LargeFile, ARecordingOfMoreThan4GBIsListedDetailedCopiedAndDeleted) {
    ASSERT_EQ(load(), 0);
    run("Sat Filelist 7");
    EXPECT_TRUE(screen_has("\n4.6 G\n")) << screen();
    EXPECT_TRUE(screen_has("Film.rec")) << screen();
    EXPECT_FALSE(screen_has("Film.rec.inf")) << "the recording is there: no orphans" << screen();
    EXPECT_FALSE(screen_has("Film.rec.nav")) << screen();
    run("Info");
    EXPECT_TRUE(screen_has("4.6 G Bytes")) << screen();
    EXPECT_TRUE(screen_has("Channel: Das Erste")) << screen();
    EXPECT_TRUE(screen_has("Duration: 95', EPG 90'")) << screen();
    run("Exit");

    // Marked here, copied in the USB medium's folder (the disk root's "sdb1").
    run("Record\n0\nv v v v v v Ok");
    ASSERT_TRUE(screen_has("/sdb1")) << screen();
    run("Record");
    ASSERT_TRUE(screen_has("Really copy?")) << screen();
    run("Ok\nwait 5s\nSat Record");
    EXPECT_TRUE(screen_has("Copying finished.")) << screen();
    EXPECT_TRUE(screen_has("0 Errors.")) << screen();
    EXPECT_TRUE(screen_has("3 Files")) << screen();
    EXPECT_TRUE(screen_has("4600 MBytes")) << screen();
    run("Exit");
    const fs::path usb = dir / "usb";
    std::string why;
    EXPECT_TRUE(same_contents(stream, usb / "Film.rec", &why)) << why;
    EXPECT_EQ(file_text(usb / "Film.rec.inf"), inf_header());
    EXPECT_EQ(file_text(usb / "Film.rec.nav"), std::string(4096, '\x11'));
    struct stat st;
    ASSERT_EQ(stat((usb / "Film.rec").c_str(), &st), 0);
    EXPECT_LT(st.st_blocks * 512, off_t{64} << 20) << "the copy keeps the holes";

    // Deleted with its companions.
    run("7 F4");
    ASSERT_TRUE(screen_has("Really delete?")) << screen();
    run("Ok");
    EXPECT_FALSE(fs::exists(stream));
    EXPECT_FALSE(fs::exists(disk_path("/DataFiles/Film.rec.inf")));
    EXPECT_FALSE(fs::exists(disk_path("/DataFiles/Film.rec.nav")));
    EXPECT_TRUE(fs::exists(usb / "Film.rec")) << "the copy stays";
}
