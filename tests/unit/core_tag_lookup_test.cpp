// The tag lookup in the tag file "TovakRC.tmp".
#include <string>

#include "common/tag_lookup.h"
#include "emu_fixture.h"

using emu_test::CoreTest;

TEST(TagLookup, ValuesOfLines) {
    struct Case {
        const char* what;
        std::string file;
        const char* tag;
        const char* value;
    } cases[] = {
        {"plain", "<City>Berlin</City>\n", "City", "Berlin"},
        {"CDATA up to the first ]", "<City><![CDATA[Bad [Ost]]]></City>\n", "City", "Bad [Ost"},
        {"CDATA", "<City><![CDATA[K\xF6ln]]></City>\n", "City", "K\xF6ln"},
        {"blanks before", "   \t<City>Wien</City>  \r\n", "City", "Wien"},
        {"no closing tag", "<City>Graz\n", "City", "Graz"},
        {"CDATA without ]", "<City><![CDATA[Linz\n", "City", "Linz"},
        {"empty value", "<City></City>\n", "City", ""},
        {"exact name only", "<CityName>X</CityName>\n<city>Y</city>\n", "City", ""},
        {"attributes do not match", "<City a=\"1\">Z</City>\n", "City", ""},
        {"first match", "<lat>1.5</lat>\n<lat>2.5</lat>\n", "lat", "1.5"},
        {"not at the line's start", "x<City>Bonn</City>\n", "City", ""},
        {"no >", "<City\n", "City", ""},
        {"several tags, one per line", "<query>1.2.3.4</query>\n<city>Ulm</city>\n", "city", "Ulm"},
        {"no newline at the end", "<isp>Kabel</isp>", "isp", "Kabel"},
        {"a tag cut by the 99-character piece", std::string(95, ' ') + "<City>Hof</City>\n", "City",
         ""},
        {"the piece after 99 characters", std::string(99, ' ') + "<City>Hof</City>\n", "City",
         "Hof"},
        {"empty file", "", "City", ""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(tag_lookup_in(c.file.data(), c.file.size(), c.tag), c.value) << c.what;
}

TEST_F(CoreTest, TagLookupReadsTheTagFileOfTheSettingsFolder) {
    EXPECT_STREQ(tag_lookup("City"), "") << "no file";
    emu_test::write_file(settings_file("TovakRC.tmp"),
                         "<?xml version=\"1.0\"?>\n<query>\n <City><![CDATA[M\xFCnchen]]></City>\n"
                         " <lat>48.14</lat>\n</query>\n");
    EXPECT_STREQ(tag_lookup("City"), "M\xFCnchen");
    EXPECT_STREQ(tag_lookup("lat"), "48.14");
    EXPECT_STREQ(tag_lookup("lon"), "");
}
