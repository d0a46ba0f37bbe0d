// The key mapping file: which lines become rules, how the rules are kept, and which rule a key
// meets.
#include <gtest/gtest.h>

#include <string>

#include "common/key_names.h"
#include "core/keymap.h"

namespace {

struct LineCase {
    const char* line;
    bool valid;
    uint32_t key = 0, target = 0;
    int state = 0, sub_state = 0, play_mode = 0; // stored condition values
};

} // namespace

TEST(KeyMap, TokenRulesOfALine) {
    const LineCase cases[] = {
        // Valid rules.
        {"0x1001a PM0", true, 0x1001A, 0, 0, 0, 1},
        {"0x1001a !PM0", true, 0x1001A, 0, 0, 0, -1},
        {"0x1003c 0x1003c ST0", true, 0x1003C, 0x1003C, 1, 0, 0},
        {"0X10050\t0x10022", true, 0x10050, 0x10022, 0, 0, 0},
        {"  0x10050 0x10022 # comment 0xZZ", true, 0x10050, 0x10022, 0, 0, 0},
        {"0x10012 0x10045 0x10046", true, 0x10012, 0x10046, 0, 0, 0}, // the last target counts
        {"0x10012 SS120 !ST10 PM5\r\n", true, 0x10012, 0, -11, 121, 6},
        {"0x100ff 0x10000", true, 0x100FF, 0x10000, 0, 0, 0},
        {"0x0010020 ST01", true, 0x10020, 0, 2, 0, 0}, // leading zeros
        {"0x1001A\t!SS0\t!ST0", true, 0x1001A, 0, -1, -1, 0},
        // Lines that are skipped or dropped.
        {"", false},
        {"# 0x1001a PM0", false},
        {"\t{key_code}\t[target_code]\t[conditions]\t# comment", false},
        {"1001a PM0", false},           // no "0x"
        {"0x PM0", false},              // no digits
        {"0x1001g", false},             // not hexadecimal
        {"0x1001a0", false},            // above 0x100FF
        {"0xffff", false},              // below 0x10000
        {"0x10100", false},             // above 0x100FF
        {"0x1000000000000001a", false}, // far too large
        {"0x1001a PM6", false},         // play mode above 5
        {"0x1001a ST11", false},
        {"0x1001a SS121", false},
        {"0x1001a PM", false}, // no number
        {"0x1001a PM-1", false},
        {"0x1001a PM1x", false}, // something behind the number
        {"0x1001a pm0", false},  // lower-case letters
        {"0x1001a !!PM0", false},
        {"0x1001a !", false},
        {"0x1001a 0X10020", false}, // a target takes a lower-case x
        {"0x1001a 0x20", false},    // target out of range
        {"0x1001a 0x10020x", false},
        {"0x1001a XY3", false}, // unknown word
        {"0x1001a, PM0", false},
    };
    for (const LineCase& c : cases) {
        keymap_rule r;
        bool valid = keymap_parse_line(c.line, &r);
        EXPECT_EQ(valid, c.valid) << '"' << c.line << '"';
        if (!valid || !c.valid) continue;
        EXPECT_EQ(r.key, c.key) << c.line;
        EXPECT_EQ(r.target, c.target) << c.line;
        EXPECT_EQ(r.state, c.state) << c.line;
        EXPECT_EQ(r.sub_state, c.sub_state) << c.line;
        EXPECT_EQ(r.play_mode, c.play_mode) << c.line;
    }
}

TEST(KeyMap, AFileKeepsItsValidLinesInOrder) {
    std::string file = "Key Mapping Definitions\n"
                       "0x1001a PM0\n"
                       "0x1001a PM7\n" // dropped: its slot goes to the next valid line
                       "0x10012 0x10045 ST0\n"
                       "# 0x10013\n";
    ASSERT_EQ(keymap_parse(file.data(), file.size()), 2);
    EXPECT_EQ(keymap_rules[0].key, 0x1001Au);
    EXPECT_EQ(keymap_rules[1].key, 0x10012u);
    EXPECT_EQ(keymap_rules[1].target, 0x10045u);

    // At most 100 rules.
    std::string many;
    for (int i = 0; i < 150; ++i)
        many += "0x10001 0x10002\n";
    EXPECT_EQ(keymap_parse(many.data(), many.size()), KEYMAP_MAX_RULES);

    // A line longer than 199 characters is read in pieces: its tail is a line of its own.
    std::string long_line = "0x10001 0x10002" + std::string(184, ' ') + "0x10003 0x10004\n";
    ASSERT_EQ(keymap_parse(long_line.data(), long_line.size()), 2);
    EXPECT_EQ(keymap_rules[1].key, 0x10003u);
    // A NUL ends a line's text.
    std::string with_nul("0x10005 PM1\0 XY\n0x10006\n", 24);
    ASSERT_EQ(keymap_parse(with_nul.data(), with_nul.size()), 2);
    EXPECT_EQ(keymap_rules[0].play_mode, 2);

    // The template holds no rule.
    int n = keymap_template(nullptr, 0);
    std::string t(static_cast<size_t>(n) + 1, '\0');
    ASSERT_EQ(keymap_template(t.data(), t.size()), n);
    t.resize(static_cast<size_t>(n));
    EXPECT_EQ(keymap_parse(t.data(), t.size()), 0);
    EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 24 + 52);
    EXPECT_NE(t.find("#\t0x10041\t\t\t\t\t\t# |<\n"), std::string::npos);
}

TEST(KeyMap, TheFirstRuleWhoseConditionsHoldGivesTheTarget) {
    std::string file = "0x1001a PM0\n"          // Pause swallowed while nothing is played back
                       "0x10039 !PM0 0x1003a\n" // Play becomes >> during playback
                       "0x1003c 0x1003c ST0\n"  // Stop to itself in the normal state
                       "0x10045 ST1 SS34 0x10046\n"
                       "0x10045 0x10047\n";
    ASSERT_EQ(keymap_parse(file.data(), file.size()), 5);
    struct Case {
        uint32_t key, state, sub_state;
        int play_mode;
        int rule; // index, -1 none
    } cases[] = {
        {0x1001A, 0, 0x1F, 0, 0},  {0x1001A, 0, 0x1F, 2, -1}, {0x1001A, 0, 0x1F, -111, -1},
        {0x10039, 0, 0x1F, 0, -1}, {0x10039, 0, 0x1F, 5, 1},  {0x10039, 0, 0x1F, -111, 1},
        {0x1003C, 0, 0x1F, 0, 2},  {0x1003C, 1, 0x1F, 0, -1}, {0x10045, 1, 34, 0, 3},
        {0x10045, 1, 36, 0, 4},    {0x10045, 0, 34, 0, 4},    {0x10046, 0, 0, 0, -1},
    };
    for (const Case& c : cases) {
        const keymap_rule* r = keymap_find(c.key, c.state, c.sub_state, c.play_mode);
        int index = r ? static_cast<int>(r - keymap_rules) : -1;
        EXPECT_EQ(index, c.rule) << std::hex << c.key << " ST" << c.state << " SS" << c.sub_state
                                 << " PM" << std::dec << c.play_mode;
    }
    EXPECT_EQ(keymap_find(0x1001A, 0, 0x1F, 0)->target, 0u) << "no target: the key is swallowed";
}
