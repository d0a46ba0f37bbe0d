// Reading documents into the viewer's line table: the character filter, the line buffer with
// its forced breaks, the reference section of converted pages, the word wrap, and where a
// document is shown first.
#include <algorithm>
#include <string>
#include <vector>

#include "emu_fixture.h"
#include "textview/document.h"

namespace {

// Every character 10 pixels wide: 68 characters fit into a line, 69 do not.
int measure_tens(const char* text) {
    return static_cast<int>(strlen(text)) * 10;
}
int measured_calls;
int measure_counted(const char* text) {
    ++measured_calls;
    return measure_tens(text);
}

class Document : public emu_test::EmuTest {
  protected:
    void TearDown() override {
        doc_free(table.data(), static_cast<uint32_t>(table.size()));
        EmuTest::TearDown();
    }
    // Reads bytes into a table of `capacity` lines; the text lines and what else was read.
    // Every input is read twice: a byte at a time, and in blocks of 7 bytes (runs of plain
    // characters are copied at once); both must give the same lines and counts.
    std::vector<std::string> read(const std::string& bytes, bool web = false,
                                  uint32_t capacity = 100, doc_measure_fn measure = measure_tens) {
        std::vector<std::string> by_byte;
        doc_reader single{};
        {
            std::vector<char*> t(capacity, nullptr);
            doc_begin(&single, t.data(), capacity, web, measure);
            for (unsigned char c : bytes)
                if (!doc_byte(&single, c)) break;
            doc_end(&single);
            for (uint32_t i = 0; i < single.stored; ++i)
                by_byte.push_back(t[i]);
            doc_free(t.data(), capacity);
        }
        doc_free(table.data(), static_cast<uint32_t>(table.size()));
        table.assign(capacity, nullptr);
        doc_begin(&r, table.data(), capacity, web, measure);
        const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
        for (size_t at = 0; at < bytes.size(); at += 7)
            if (!doc_bytes(&r, data + at, std::min<size_t>(7, bytes.size() - at))) break;
        text_lines_read = doc_end(&r);
        std::vector<std::string> out;
        for (uint32_t i = 0; i < r.stored; ++i)
            out.push_back(table[i]);
        EXPECT_EQ(out, by_byte) << "blocks and single bytes differ";
        EXPECT_EQ(r.split_count, single.split_count);
        EXPECT_EQ(r.link_count, single.link_count);
        return out;
    }
    std::vector<char*> table;
    doc_reader r{};
    int32_t text_lines_read = 0;
};

using Lines = std::vector<std::string>;

TEST_F(Document, CharacterFilterReplacesThreeByteCharacters) {
    struct Case {
        const char* in;
        const char* out;
    } const cases[] = {
        {"a\xE2\x80\x93"
         "b",
         "a-b"},                                // en dash
        {"\xE2\x80\x98x\xE2\x80\x99", "'x'"},   // single quotes U+2018, U+2019
        {"\xE2\x80\x96", "'"},                  // U+2016
        {"\xE2\x80\x9Cq\xE2\x80\x9D", "\"q\""}, // U+201C, U+201D
        {"\xE2\x80\xA6", "..."},
        {"\xE2\x80\xB0", "o/oo"},
        {"\xE2\x80\xB9\xE2\x80\xBA", "<>"},
        {"5 \xE2\x82\xAC", "5 EUR"},
        {"\xE2\x9C\x95", "x"},
        {"\xE2\x80\xA0", "+"},
        {"\xE2\x88\x9E", "(U+221e)"}, // any other three-byte character
        {"\xC3\xA4", "\xC3\xA4"},     // two-byte sequences pass
        {"\xE2"
         "A",
         "\xE2"
         "A"}, // a broken sequence passes as it came
        {"\xE2\x80"
         "Z",
         "\xE2\x80"
         "Z"},
        {"\xE2\x80\xE2\x80\x93", "\xE2\x80-"}, // a lead byte inside a broken sequence
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(read(c.in), Lines{c.out});
    }
    EXPECT_EQ(read("a\tb\r\x01"
                   "c\n\nd"),
              (Lines{"a bc", "", "d"}))
        << "tab, CR and controls";
    EXPECT_EQ(read(std::string("one\ntwo\0three", 13)), (Lines{"one", "two"}))
        << "a NUL ends the document";
}

TEST_F(Document, LongLinesBreakInTheLineBuffer) {
    // 3000 characters without a blank: 1999 and 1001, one split.
    Lines lines = read(std::string(3000, 'x'), false, 100, nullptr);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 1999u);
    EXPECT_EQ(lines[1].size(), 1001u);
    EXPECT_EQ(r.split_count, 1);
    // A blank after more than 1800 characters ends the line and is dropped.
    lines = read(std::string(1801, 'y') + " rest", false, 100, nullptr);
    EXPECT_EQ(lines, (Lines{std::string(1801, 'y'), "rest"}));
    EXPECT_EQ(r.split_count, 1);
    lines = read(std::string(1800, 'y') + " rest", false, 100, nullptr);
    EXPECT_EQ(lines, (Lines{std::string(1800, 'y') + " rest"})) << "at 1800 the blank stays";
}

TEST_F(Document, TheTableBoundStopsReading) {
    std::string many;
    for (int i = 0; i < 5100; ++i)
        many += "line " + std::to_string(i) + "\n";
    const Lines lines = read(many, false, 5000); // Max. Text 1
    EXPECT_EQ(lines.size(), 5000u);
    EXPECT_TRUE(r.full);
    EXPECT_EQ(lines.back(), "line 4999");
    EXPECT_FALSE(doc_byte(&r, 'x')) << "a full table takes nothing more";
}

TEST_F(Document, ReferenceSectionGivesTheLinkTargets) {
    const std::string page = "Intro [1]one [2]two [4]four\n"
                             "\n"
                             "References\n"
                             "\n"
                             "   1. http://www.tovak.test/one.html  \n"
                             "   2. file:///mnt/hd/WebCache/www.tovak.test/two.html\n"
                             "   4. http://www.tovak.test/four.html\n";
    const Lines lines = read(page, true);
    EXPECT_EQ(text_lines_read, 2);
    EXPECT_EQ(r.link_count, 2) << "the numbers jump from 2 to 4: only 1 and 2 are links";
    EXPECT_EQ(lines, (Lines{"Intro [1]one [2]two [4]four", "", "http://www.tovak.test/one.html",
                            "file:///mnt/hd/WebCache/www.tovak.test/two.html"}));
    read("just text\n", true);
    EXPECT_EQ(r.link_count, -1) << "a converted page without references";
    read("References\n1. x\n", false);
    EXPECT_EQ(r.link_count, 0) << "plain text has no reference section";
}

TEST_F(Document, WordWrapCutsMeasuredLinesAtBlanks) {
    // 50 characters are never measured; 80 with blanks are cut where a piece fits.
    measured_calls = 0;
    read(std::string(50, 'a'), false, 10, measure_counted);
    EXPECT_EQ(measured_calls, 0);
    std::string words;
    for (int i = 0; i < 16; ++i)
        words += "word ";
    words.pop_back(); // 79 characters
    Lines lines = read(words, false, 10, measure_counted);
    EXPECT_EQ(lines, (Lines{"word word word word word word word word word word word word word",
                            "word word word"}))
        << "74 and 69 characters are too wide, 64 fit";
    EXPECT_EQ(r.split_count, 1);
    EXPECT_GT(measured_calls, 0);
    // No blank: the piece is kept whole, however wide.
    lines = read(std::string(120, 'z'), false, 10);
    EXPECT_EQ(lines, (Lines{std::string(120, 'z')}));
    EXPECT_EQ(r.split_count, 0);
    // The rest loses its leading blanks; trailing blanks go.
    lines = read(std::string(60, 'a') + "     " + std::string(20, 'b') + "   ", false, 10);
    EXPECT_EQ(lines, (Lines{std::string(60, 'a'), std::string(20, 'b')}));
}

TEST_F(Document, AnchorsAndTheFirstPageOfAConvertedPage) {
    Lines text = {"  Title", "   News of the day", "sport: all results", "Weather here", "end"};
    std::vector<char*> p;
    for (std::string& s : text)
        p.push_back(s.data());
    struct Case {
        const char* anchor;
        int32_t line;
    } const cases[] = {
        {"12", 11},      {"1", 0},      {"0", -1},    {"Title", 0}, {"News_of_the_day", 1},
        {"*the_day", 1}, {"sport*", 2}, {"*here", 3}, {"here", -1}, {"nothing*", -1},
        {"", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(doc_anchor_line(p.data(), static_cast<int32_t>(p.size()), c.anchor), c.line)
            << c.anchor;
    Lines page = {"[1]a", "b", "[2]c", "d", "e", "[3]f", "g", "h", "i", "j"};
    std::vector<char*> q;
    for (std::string& s : page)
        q.push_back(s.data());
    EXPECT_EQ(doc_page_start(q.data(), static_cast<int32_t>(q.size())), 4)
        << "the third of g, h, i without '[' (index 8) gives 8 + 1 - 5";
    EXPECT_EQ(doc_page_start(q.data(), 6), 0) << "no run of three";
}

TEST_F(Document, LinkMarkersInALine) {
    const char* line = "a [1]b [0]c [12]d [x]e [3 f [3]g [99]";
    std::vector<int32_t> found;
    int32_t n;
    size_t len;
    for (const char* p = doc_next_link(line, 12, &n, &len); p;
         p = doc_next_link(p + len, 12, &n, &len))
        found.push_back(n);
    EXPECT_EQ(found, (std::vector<int32_t>{1, 12, 3}));
    EXPECT_EQ(doc_next_link(line, 0, &n, &len), nullptr);
}

} // namespace
