// The live view's disk: the listing and the check that a download stays inside the disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "disk_files.h"
#include "temp_dir.h"

using namespace tapsim;
namespace fs = std::filesystem;

namespace {

// A folder with the disk "disk/" and a file beside it that no download may reach:
//   disk/a.txt, disk/Sub/b.txt, disk/Sub/Deeper/ (empty), disk/%2e%2e (a file of that name),
//   disk/in -> Sub/b.txt, disk/out -> ../secret.txt, disk/Sub/up -> ../../secret.txt,
//   disk/outdir -> .. (a folder outside), secret.txt
class DiskFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        top_ = make_temp_dir("disk_files");
        ASSERT_FALSE(top_.empty());
        disk_ = top_ + "/disk";
        fs::create_directories(disk_ + "/Sub/Deeper");
        std::ofstream(disk_ + "/a.txt") << "a";
        std::ofstream(disk_ + "/Sub/b.txt") << "bb";
        std::ofstream(disk_ + "/%2e%2e") << "literal";
        std::ofstream(top_ + "/secret.txt") << "secret";
        fs::create_symlink("Sub/b.txt", disk_ + "/in");
        fs::create_symlink("../secret.txt", disk_ + "/out");
        fs::create_symlink("../../secret.txt", disk_ + "/Sub/up");
        fs::create_symlink("..", disk_ + "/outdir");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(top_, ec);
    }
    std::string top_, disk_;
};

} // namespace

TEST_F(DiskFiles, OnlyFilesInsideTheDiskAreGiven) {
    struct Case {
        std::string name;
        std::string file; // below the disk's top, "" when refused
    } cases[] = {
        {"a.txt", "a.txt"},
        {"Sub/b.txt", "Sub/b.txt"},
        {"Sub//b.txt", "Sub/b.txt"},
        {"./Sub/./b.txt", "Sub/b.txt"},
        {"in", "Sub/b.txt"},  // a link to a file of the disk
        {"%2e%2e", "%2e%2e"}, // no decoding here: a file of that name
        {"", ""},
        {"..", ""},
        {"../secret.txt", ""},
        {"Sub/../../secret.txt", ""},
        {"Sub/../a.txt", ""}, // even a ".." that would stay inside
        {"/etc/passwd", ""},
        {top_ + "/secret.txt", ""},
        {"out", ""}, // a link that leads out
        {"Sub/up", ""},
        {"outdir/secret.txt", ""}, // a folder link that leads out
        {"Sub", ""},               // a folder
        {"Sub/Deeper", ""},
        {"missing.txt", ""},
        {std::string("a.txt\0.png", 10), ""},
    };
    for (const Case& c : cases) {
        std::string host, why;
        const bool given = disk_file(disk_, c.name, &host, &why);
        EXPECT_EQ(given, !c.file.empty()) << c.name << ": " << why;
        if (given && !c.file.empty()) {
            EXPECT_EQ(host, fs::canonical(disk_ + "/" + c.file).string()) << c.name;
        }
        if (!given) {
            EXPECT_FALSE(why.empty()) << c.name;
        }
    }
}

TEST_F(DiskFiles, ListingHasTheRegularFilesWithoutFollowingLinks) {
    const std::vector<DiskEntry> files = disk_listing(disk_, 100);
    std::vector<std::string> paths;
    for (const DiskEntry& e : files)
        paths.push_back(e.path + " " + std::to_string(e.size));
    EXPECT_EQ(paths, (std::vector<std::string>{"%2e%2e 7", "Sub/b.txt 2", "a.txt 1"}));
    EXPECT_EQ(disk_listing(disk_, 2).size(), 2u);
}
