// The icons: descriptors in the platform's form, our compressed format, the listed sizes, and
// the key of every row of the key name table with its button.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/key_names.h"
#include "gd_codec.h"
#include "osd/icons.h"

namespace {

struct IconCase {
    const char* name;
    const TYPE_GrData* gd;
    int w, h;
};

const IconCase all_icons[] = {
    {"tovak", &_tovakGd, 18, 22},
    {"folder", &_folderGd, 24, 19},
    {"file", &_fileGd, 16, 18},
    {"0", &_Button_0_Gd, 24, 20},
    {"1", &_Button_1_Gd, 24, 20},
    {"2", &_Button_2_Gd, 24, 20},
    {"3", &_Button_3_Gd, 24, 20},
    {"4", &_Button_4_Gd, 24, 20},
    {"5", &_Button_5_Gd, 24, 20},
    {"6", &_Button_6_Gd, 24, 20},
    {"7", &_Button_7_Gd, 24, 20},
    {"8", &_Button_8_Gd, 24, 20},
    {"9", &_Button_9_Gd, 24, 20},
    {"ok", &_Button_ok_Gd, 40, 20},
    {"exit", &_Button_exit_Gd, 40, 20},
    {"menu", &_Button_menu_Gd, 40, 20},
    {"fav", &_Button_fav_Gd, 40, 20},
    {"sat", &_Button_sat_Gd, 40, 20},
    {"aux", &_Button_aux_Gd, 40, 20},
    {"guide", &_Button_guide_Gd, 54, 20},
    {"red", &_Button_red_Gd, 18, 18},
    {"green", &_Button_green_Gd, 18, 18},
    {"yellow", &_Button_yellow_Gd, 18, 18},
    {"blue", &_Button_blue_Gd, 18, 18},
    {"white", &_Button_white_Gd, 18, 18},
    {"mute", &_Button_mute_Gd, 24, 20},
    {"vf", &_Button_vf_Gd, 24, 20},
    {"ar", &_Button_ar_Gd, 24, 20},
    {"sleep", &_Button_sleep_Gd, 24, 20},
    {"recall", &_Button_recall_Gd, 24, 20},
    {"info", &_Button_info_Gd, 24, 20},
    {"tv_radio", &_Button_tv_radio_Gd, 24, 20},
    {"audio", &_Button_audio_Gd, 24, 20},
    {"subtitle", &_Button_subtitle_Gd, 24, 20},
    {"ttx", &_Button_ttx_Gd, 24, 20},
    {"progplus", &_Button_progplus_Gd, 24, 20},
    {"progminus", &_Button_progminus_Gd, 24, 20},
    {"volplus", &_Button_volplus_Gd, 24, 20},
    {"volminus", &_Button_volminus_Gd, 24, 20},
    {"up", &_Button_up_Gd, 24, 20},
    {"down", &_Button_down_Gd, 24, 20},
    {"left", &_Button_left_Gd, 24, 20},
    {"right", &_Button_right_Gd, 24, 20},
    {"rwd", &_Button_rwd_Gd, 24, 20},
    {"play", &_Button_play_Gd, 24, 20},
    {"ffwd", &_Button_ffwd_Gd, 24, 20},
    {"step", &_Button_step_Gd, 24, 20},
    {"stop", &_Button_stop_Gd, 24, 20},
    {"record", &_Button_record_Gd, 24, 20},
    {"pause", &_Button_pause_Gd, 24, 20},
    {"jumpstart", &_Button_jumpstart_Gd, 24, 20},
    {"filelist", &_Button_filelist_Gd, 24, 20},
    {"jumpend", &_Button_jumpend_Gd, 24, 20},
    {"cut", &_Button_cut_Gd, 24, 20},
};

std::vector<uint32_t> decode(const TYPE_GrData& gd, int* w, int* h) {
    std::vector<uint32_t> px;
    size_t bound = 14 + static_cast<size_t>(gd.width) * gd.height * 5;
    if (!tapsim::gd_decode(static_cast<const uint8_t*>(gd.data), bound, &px, w, h)) px.clear();
    return px;
}

} // namespace

TEST(OsdIcons, DescriptorsPointAtBlocksOfTheListedSizes) {
    const uint8_t magic[10] = {0x00, 0x08, 0x1B, 0x90, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x01};
    std::vector<std::vector<uint32_t>> pictures;
    for (const IconCase& c : all_icons) {
        SCOPED_TRACE(c.name);
        const TYPE_GrData& gd = *c.gd;
        EXPECT_EQ(gd.version, 1);
        EXPECT_EQ(gd.reserved, 0);
        EXPECT_EQ(gd.dataFormat, 1);
        EXPECT_EQ(gd.compessMethod, 2);
        EXPECT_EQ(gd.width, c.w);
        EXPECT_EQ(gd.height, c.h);
        EXPECT_EQ(gd.dataSize, static_cast<dword>(c.w * c.h * 4));
        ASSERT_NE(gd.data, nullptr);
        EXPECT_EQ(std::memcmp(gd.data, magic, sizeof magic), 0);
        int w = 0, h = 0;
        std::vector<uint32_t> px = decode(gd, &w, &h);
        ASSERT_EQ(px.size(), static_cast<size_t>(c.w * c.h));
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
        // A picture: opaque ink and more than one colour.
        size_t opaque = 0, colours = 0;
        uint32_t first = px[0];
        for (uint32_t p : px) {
            opaque += (p >> 24) == 0xFF;
            colours += p != first;
        }
        EXPECT_GT(opaque, px.size() / 3);
        EXPECT_GT(colours, 0u);
        pictures.push_back(std::move(px));
    }
    // Every key has a picture of its own.
    for (size_t i = 0; i < pictures.size(); ++i)
        for (size_t j = i + 1; j < pictures.size(); ++j)
            EXPECT_NE(pictures[i], pictures[j]) << all_icons[i].name << " = " << all_icons[j].name;
}

TEST(OsdIcons, EveryKeyOfTheKeyNameTableHasItsButton) {
    struct KeyCase {
        const char* key;
        const TYPE_GrData* gd;
    } cases[] = {
        {"0", &_Button_0_Gd},
        {"1", &_Button_1_Gd},
        {"2", &_Button_2_Gd},
        {"3", &_Button_3_Gd},
        {"4", &_Button_4_Gd},
        {"5", &_Button_5_Gd},
        {"6", &_Button_6_Gd},
        {"7", &_Button_7_Gd},
        {"8", &_Button_8_Gd},
        {"9", &_Button_9_Gd},
        {"Mute", &_Button_mute_Gd},
        {"VFormat", &_Button_vf_Gd},
        {"Star", nullptr},
        {"AR", &_Button_ar_Gd},
        {"Aux", &_Button_aux_Gd},
        {"Sleep", &_Button_sleep_Gd},
        {"Recall", &_Button_recall_Gd},
        {"Info", &_Button_info_Gd},
        {"TvRadio", &_Button_tv_radio_Gd},
        {"AudioTrk", &_Button_audio_Gd},
        {"Subtitle", &_Button_subtitle_Gd},
        {"Teletext", &_Button_ttx_Gd},
        {"Guide", &_Button_guide_Gd},
        {"Menu", &_Button_menu_Gd},
        {"Fav", &_Button_fav_Gd},
        {"Exit", &_Button_exit_Gd},
        {"Ok", &_Button_ok_Gd},
        {"P+", &_Button_progplus_Gd},
        {"P-", &_Button_progminus_Gd},
        {"V+", &_Button_volplus_Gd},
        {"V-", &_Button_volminus_Gd},
        {"^", &_Button_up_Gd},
        {"v", &_Button_down_Gd},
        {"<", &_Button_left_Gd},
        {">", &_Button_right_Gd},
        {"<<", &_Button_rwd_Gd},
        {"Play", &_Button_play_Gd},
        {">>", &_Button_ffwd_Gd},
        {"Slow", &_Button_step_Gd},
        {"Stop", &_Button_stop_Gd},
        {"Record", &_Button_record_Gd},
        {"Pause", &_Button_pause_Gd},
        {"|<", &_Button_jumpstart_Gd},
        {"Filelist", &_Button_filelist_Gd},
        {">|", &_Button_jumpend_Gd},
        {"F1", &_Button_red_Gd},
        {"F2", &_Button_green_Gd},
        {"F3", &_Button_yellow_Gd},
        {"F4", &_Button_blue_Gd},
        {"Sat", &_Button_sat_Gd},
        {">|<", &_Button_cut_Gd},
        {"White", &_Button_white_Gd},
    };
    static_assert(sizeof cases / sizeof cases[0] ==
                  sizeof key_name_table / sizeof key_name_table[0]);
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.key);
        const key_name_row* row = key_name_lookup(c.key);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(key_icon(row->code), c.gd);
        EXPECT_EQ(key_icon(row->code | KEY_REPEAT | KEY_TAP_MARK), c.gd) << "flag bits ignored";
    }
    EXPECT_EQ(key_icon(0x10001F), nullptr);
    EXPECT_EQ(key_icon(0), nullptr);
}

TEST(OsdIcons, LabelsMatchTheFirstKeyNameTheyBegin) {
    struct LabelCase {
        const char* label;
        bool match;
        const TYPE_GrData* gd;
    } cases[] = {
        {"Ok", true, &_Button_ok_Gd},
        {"Audio", true, &_Button_audio_Gd}, // prefix of "AudioTrk"
        {"Sub", true, &_Button_subtitle_Gd},
        {"P", true, &_Button_progplus_Gd}, // "P+" stands before "P-" and "Play"
        {"F", true, &_Button_fav_Gd},      // "Fav" stands before "Filelist" and "F1"
        {">|", true, &_Button_jumpend_Gd}, // ">|" before ">|<"
        {">|<", true, &_Button_cut_Gd},
        {"Star", true, nullptr}, // a key without icon
        {"Note", false, nullptr},
        {"OkX", false, nullptr},
        {"ok", false, nullptr}, // case matters
        {"", false, nullptr},   // no label
    };
    for (const LabelCase& c : cases) {
        SCOPED_TRACE(c.label);
        const TYPE_GrData* gd = &_fileGd;
        EXPECT_EQ(key_label_match(c.label, std::strlen(c.label), &gd), c.match);
        if (c.match) {
            EXPECT_EQ(gd, c.gd);
        }
    }
    // The label is the text before the colon only.
    const TYPE_GrData* gd = nullptr;
    EXPECT_TRUE(key_label_match("Menu: Settings", 4, &gd));
    EXPECT_EQ(gd, &_Button_menu_Gd);
}
