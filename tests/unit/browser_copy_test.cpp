// The copy queue: one chunk per step, directories expanded, self-copies refused, identical
// targets skipped, companions of recordings brought along, cancel, a full target disk, and the
// counters and texts of the status box.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <string>

#include "browser/copy_queue.h"
#include "emu_fixture.h"

using emu_test::CoreTest;
using emu_test::read_file;
using emu_test::write_file;
namespace fs = std::filesystem;

namespace {

class CopyQueue : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        settings.flags |= SET_LOGGING;
        copy_counters_clear();
    }
    void TearDown() override {
        copy_queue_stop();
        if (mounted) umount2((dir / "usb").c_str(), MNT_DETACH);
        CoreTest::TearDown();
    }
    // Steps until the queue is idle; the number of steps.
    int run_queue() {
        int steps = 0;
        while (copy_step(COPY_QUERY) && steps < 100000) {
            copy_step(COPY_ADVANCE);
            ++steps;
        }
        return steps;
    }
    std::string log() const { return read_file(settings_file("TovakRC.log")); }
    int log_lines_with(const std::string& text) const {
        std::string l = log();
        int n = 0;
        for (size_t at = l.find(text); at != std::string::npos; at = l.find(text, at + 1))
            ++n;
        return n;
    }
    // A small tmpfs behind the USB folder; false when this machine cannot mount.
    bool mount_usb(const char* size) {
        fs::create_directories(dir / "usb");
        std::string opts = std::string("size=") + size;
        mounted = mount("tmpfs", (dir / "usb").c_str(), "tmpfs", 0, opts.c_str()) == 0;
        return mounted;
    }
    bool mounted = false;
};

} // namespace

TEST_F(CopyQueue, FileIsCopiedInChunksWithItsTimes) {
    std::string data(150000, 'x');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    write_file(disk / "src/film.mpg", data);
    struct utimbuf t = {1200000000, 1200000000};
    ASSERT_EQ(utime((disk / "src/film.mpg").c_str(), &t), 0);
    fs::create_directories(disk / "dst");
    ASSERT_EQ(copy_enqueue("/mnt/hd/src/film.mpg", "/mnt/hd/dst"), 0);
    EXPECT_EQ(copy_step(COPY_QUERY), 1);
    copy_step(COPY_ADVANCE); // opens
    EXPECT_EQ(copy_chunk(), COPY_CHUNK_DISK);
    EXPECT_EQ(copy_files, 1u);
    EXPECT_EQ(run_queue(), 3) << "150000 bytes: two full chunks and the rest";
    EXPECT_EQ(read_file(disk / "dst/film.mpg"), data);
    EXPECT_EQ(copy_bytes, 150000u);
    struct stat st;
    ASSERT_EQ(stat((disk / "dst/film.mpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1200000000);
    // Again onto the identical copy: skipped, not counted.
    copy_enqueue("/mnt/hd/src/film.mpg", "/mnt/hd/dst");
    EXPECT_EQ(run_queue(), 1);
    EXPECT_EQ(copy_files, 1u);
    EXPECT_EQ(copy_bytes, 150000u);
    EXPECT_EQ(copy_errors, 0u);
}

TEST_F(CopyQueue, ZeroChunksBecomeHolesOfAnIdenticalTarget) {
    // Data, zero chunks, data again, and zeros up to the end (which give the target its size).
    const std::string data = std::string(70000, 'a') + std::string(4 * 65536, '\0') + "middle" +
                             std::string(3 * 65536 + 5, '\0');
    write_file(disk / "src/zeros.ts", data);
    fs::create_directories(disk / "dst");
    copy_enqueue("/mnt/hd/src/zeros.ts", "/mnt/hd/dst");
    run_queue();
    EXPECT_EQ(copy_errors, 0u);
    EXPECT_EQ(copy_bytes, data.size());
    EXPECT_EQ(read_file(disk / "dst/zeros.ts"), data);
    struct stat source, target;
    ASSERT_EQ(stat((disk / "src/zeros.ts").c_str(), &source), 0);
    ASSERT_EQ(stat((disk / "dst/zeros.ts").c_str(), &target), 0);
    EXPECT_LT(target.st_blocks * 2, source.st_blocks) << "six of nine chunks are not written";
}

TEST_F(CopyQueue, HolesOfTheSourceAreSkippedWithoutReadingThem) {
    const fs::path source = disk / "src/cut.rec";
    write_file(source, "head");
    const off_t tail_at = off_t{3} << 30; // past 2 GB and past 32-bit offsets in blocks
    {
        int fd = open(source.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, "tail", 4, tail_at), 4);
        close(fd);
    }
    int fd = open(source.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const off_t hole = lseek(fd, 0, SEEK_HOLE);
    close(fd);
    if (hole != 4096) GTEST_SKIP() << "this file system keeps no holes (" << hole << ")";
    fs::create_directories(disk / "dst");
    copy_enqueue("/mnt/hd/src/cut.rec", "/mnt/hd/dst");
    EXPECT_LE(run_queue(), 6) << "open, head, the hole, tail, end";
    EXPECT_EQ(copy_errors, 0u);
    EXPECT_EQ(copy_bytes, static_cast<uint64_t>(tail_at) + 4);
    const fs::path target = disk / "dst/cut.rec";
    EXPECT_EQ(fs::file_size(target), static_cast<uintmax_t>(tail_at) + 4);
    char bytes[5] = {};
    fd = open(target.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(pread(fd, bytes, 4, 0), 4);
    EXPECT_STREQ(bytes, "head");
    EXPECT_EQ(pread(fd, bytes, 4, tail_at), 4);
    EXPECT_STREQ(bytes, "tail");
    EXPECT_EQ(pread(fd, bytes, 4, tail_at / 2), 4);
    EXPECT_EQ(std::string(bytes, 4), std::string(4, '\0'));
    EXPECT_GE(lseek(fd, 0, SEEK_HOLE), 4) << "the target keeps the hole";
    EXPECT_LT(lseek(fd, 0, SEEK_HOLE), tail_at);
    close(fd);
}

TEST_F(CopyQueue, AReadErrorIsCountedAndRemovesThePartialTarget) {
    write_file(disk / "src/film.ts", std::string(3 * 65536, 'f'));
    fs::create_directories(disk / "dst");
    copy_enqueue("/mnt/hd/src/film.ts", "/mnt/hd/dst");
    copy_step(COPY_ADVANCE); // opens
    copy_step(COPY_ADVANCE); // the first chunk
    ASSERT_EQ(fs::file_size(disk / "dst/film.ts"), 65536u);
    // The queue's descriptor of the source now reads a folder: the next read fails.
    int source_fd = -1;
    for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const std::string target = fs::read_symlink(e.path(), ec).string();
        if (!ec && target.size() > 12 && target.substr(target.size() - 12) == "/src/film.ts")
            source_fd = std::stoi(e.path().filename().string());
    }
    ASSERT_GE(source_fd, 0);
    int folder = open((disk / "src").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(dup2(folder, source_fd), source_fd);
    close(folder);
    run_queue();
    EXPECT_EQ(copy_errors, 1u);
    EXPECT_EQ(copy_files, 0u) << "the file does not count as copied";
    EXPECT_FALSE(fs::exists(disk / "dst/film.ts")) << "no partial copy stays";
    EXPECT_EQ(log_lines_with("COPY /mnt/hd/dst/film.ts: Is a directory"), 1) << log();
}

TEST_F(CopyQueue, DirectoriesAreExpandedBeforeTheNextItem) {
    write_file(disk / "src/tree/a.txt", "A");
    write_file(disk / "src/tree/sub/b.txt", "BB");
    write_file(disk / "src/tree/q'\"$`\xE4", "odd");
    write_file(disk / "src/after.txt", "C");
    fs::create_directories(disk / "dst");
    copy_enqueue("/mnt/hd/src/tree", "/mnt/hd/dst");
    copy_enqueue("/mnt/hd/src/after.txt", "/mnt/hd/dst");
    // The directory step, then its three entries (one directory), then the last item.
    run_queue();
    EXPECT_EQ(read_file(disk / "dst/tree/a.txt"), "A");
    EXPECT_EQ(read_file(disk / "dst/tree/sub/b.txt"), "BB");
    EXPECT_EQ(read_file(disk / "dst/tree/q'\"$`\xE4"), "odd");
    EXPECT_EQ(read_file(disk / "dst/after.txt"), "C");
    EXPECT_EQ(copy_files, 4u);
    EXPECT_EQ(copy_bytes, 7u);
    EXPECT_EQ(copy_errors, 0u);
}

TEST_F(CopyQueue, CopyOntoOrIntoItselfIsRefused) {
    struct Case {
        const char *source, *target;
    } cases[] = {
        {"/mnt/hd/src/tree", "/mnt/hd/src/tree"},
        {"/mnt/hd/src/tree", "/mnt/hd/src/tree/sub"},
        {"/mnt/hd/src/tree/a.txt", "/mnt/hd/src/tree"},
    };
    write_file(disk / "src/tree/a.txt", "A");
    write_file(disk / "src/tree/sub/b.txt", "B");
    for (const Case& c : cases) {
        const std::string line = std::string("COPY ") + c.source + ": avoiding copy to itself";
        int before = log_lines_with(line);
        copy_enqueue(c.source, c.target);
        run_queue();
        EXPECT_EQ(log_lines_with(line), before + 1) << c.source << " -> " << c.target;
    }
    EXPECT_FALSE(fs::exists(disk / "src/tree/tree"));
    EXPECT_FALSE(fs::exists(disk / "src/tree/sub/tree"));
    EXPECT_EQ(read_file(disk / "src/tree/a.txt"), "A");
    EXPECT_EQ(copy_files, 0u);
}

TEST_F(CopyQueue, RecordingBringsItsCompanions) {
    write_file(disk / "DataFiles/News.rec", "stream");
    write_file(disk / "DataFiles/News.rec.inf", "header");
    write_file(disk / "DataFiles/News.rec.nav", "index");
    fs::create_directories(disk / "MediaFiles");
    copy_enqueue("/mnt/hd/DataFiles/News.rec", "/mnt/hd/MediaFiles");
    run_queue();
    EXPECT_EQ(read_file(disk / "MediaFiles/News.rec"), "stream");
    EXPECT_EQ(read_file(disk / "MediaFiles/News.rec.inf"), "header");
    EXPECT_EQ(read_file(disk / "MediaFiles/News.rec.nav"), "index");
    EXPECT_EQ(copy_files, 3u);
}

TEST_F(CopyQueue, CancelRemovesThePartialFile) {
    write_file(disk / "src/big", std::string(300000, 'b'));
    write_file(disk / "src/next", "n");
    fs::create_directories(disk / "dst");
    copy_enqueue("/mnt/hd/src/big", "/mnt/hd/dst");
    copy_enqueue("/mnt/hd/src/next", "/mnt/hd/dst");
    copy_step(COPY_ADVANCE);
    copy_step(COPY_ADVANCE);
    ASSERT_TRUE(fs::exists(disk / "dst/big"));
    char text[400];
    copy_status_text(text, sizeof text);
    EXPECT_EQ(std::string(text),
              "Still copying ...\n0 Errors.\n1 Files\n0 MBytes\n\nCancel copying?");
    copy_step(COPY_CANCEL);
    EXPECT_EQ(copy_step(COPY_QUERY), 0);
    EXPECT_FALSE(fs::exists(disk / "dst/big"));
    EXPECT_FALSE(fs::exists(disk / "dst/next"));
    EXPECT_EQ(copy_cancels, 2u) << "the queued jobs and the open file";
    EXPECT_EQ(copy_files, 0u);
    copy_status_text(text, sizeof text);
    EXPECT_EQ(std::string(text), "Copying finished.\n(Cancelled by user.)\n0 Errors.\n0 Files\n"
                                 "0 MBytes\n\nClear counters?");
    // A new job on the empty queue starts with no cancels.
    copy_enqueue("/mnt/hd/src/next", "/mnt/hd/dst");
    EXPECT_EQ(copy_cancels, 0u);
}

TEST_F(CopyQueue, FailuresAreCountedAndLogged) {
    write_file(disk / "src/a", "a");
    write_file(disk / "src/b", "b");
    copy_enqueue("/mnt/hd/src/a", "/mnt/hd/missing");
    copy_enqueue("/mnt/hd/src/none", "/mnt/hd/src2");
    copy_enqueue("/mnt/hd/src/b", "/mnt/hd/src/b.dir");
    write_file(disk / "src/b.dir", "a file where a folder is wanted");
    run_queue();
    EXPECT_EQ(copy_errors, 3u);
    EXPECT_EQ(log_lines_with("COPY /mnt/hd/missing/a (fdi="), 1);
    EXPECT_EQ(log_lines_with("): No such file or directory"), 1);
    // A source that cannot be measured (gone, or too large for the C library) was not copied.
    EXPECT_EQ(log_lines_with("COPY /mnt/hd/src/none: No such file or directory"), 1);
    EXPECT_EQ(log_lines_with("COPY /mnt/hd/src/b.dir/b (fdi="), 1);
    char text[400];
    settings.flags &= ~SET_ENGLISH;
    copy_status_text(text, sizeof text);
    EXPECT_EQ(std::string(text), "Kopieren beendet.\n3 Fehler. (S. Logfile)\n0 Files\n0 MBytes\n\n"
                                 "Z\xE4hler l\xF6schen?");
    copy_counters_clear();
    EXPECT_EQ(copy_errors, 0u);
}

TEST_F(CopyQueue, FullUsbStickLosesNothing) {
    if (!mount_usb("1m")) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    std::string big(3 << 20, 'z');
    write_file(disk / "src/big.mpg", big);
    write_file(disk / "src/small.txt", "small");
    copy_enqueue("/mnt/hd/src/big.mpg", "/mnt/sdb1");
    copy_enqueue("/mnt/hd/src/small.txt", "/mnt/sdb1");
    copy_step(COPY_ADVANCE);
    EXPECT_EQ(copy_chunk(), COPY_CHUNK_EXTERNAL) << "external media take 32 KB chunks";
    run_queue();
    EXPECT_EQ(copy_errors, 1u);
    EXPECT_EQ(log_lines_with("COPY /mnt/sdb1/big.mpg: No space left on device"), 1);
    EXPECT_FALSE(fs::exists(dir / "usb/big.mpg")) << "the partial file is removed";
    EXPECT_EQ(read_file(dir / "usb/small.txt"), "small") << "the queue goes on";
    EXPECT_EQ(read_file(disk / "src/big.mpg"), big) << "the source is untouched";
    EXPECT_EQ(copy_files, 1u);
}
