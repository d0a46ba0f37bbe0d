// The key name table: the 52 keys of the remote control with their codes, names, positions on
// the drawn remote control (column, row) and button icons. Shared by the TAP and by the
// emulator's scripts; the icons' pictures belong to the OSD toolkit (osd/icons.h), which turns
// an icon id into its graphic descriptor.
#pragma once

#include <stdint.h>
#include <string.h>

#include "common/key_codes.h"
#include "platform/tap_api.h"

// The button pictures, one per key ("Star" has none).
enum key_icon_id : uint8_t {
    ICON_NONE,
    ICON_0,
    ICON_1,
    ICON_2,
    ICON_3,
    ICON_4,
    ICON_5,
    ICON_6,
    ICON_7,
    ICON_8,
    ICON_9,
    ICON_MUTE,
    ICON_VFORMAT,
    ICON_AR,
    ICON_AUX,
    ICON_SLEEP,
    ICON_RECALL,
    ICON_INFO,
    ICON_TVRADIO,
    ICON_AUDIO,
    ICON_SUBTITLE,
    ICON_TELETEXT,
    ICON_GUIDE,
    ICON_MENU,
    ICON_FAV,
    ICON_EXIT,
    ICON_OK,
    ICON_P_PLUS,
    ICON_P_MINUS,
    ICON_V_PLUS,
    ICON_V_MINUS,
    ICON_UP,
    ICON_DOWN,
    ICON_LEFT,
    ICON_RIGHT,
    ICON_REWIND,
    ICON_PLAY,
    ICON_FORWARD,
    ICON_SLOW,
    ICON_STOP,
    ICON_RECORD,
    ICON_PAUSE,
    ICON_JUMP_START,
    ICON_FILELIST,
    ICON_JUMP_END,
    ICON_F1,
    ICON_F2,
    ICON_F3,
    ICON_F4,
    ICON_SAT,
    ICON_CUT,
    ICON_WHITE,
    ICON_COUNT
};

struct key_name_row {
    uint32_t code;
    const char* name;
    uint8_t column;
    uint8_t row;
    key_icon_id icon;
};

inline constexpr key_name_row key_name_table[52] = {
    {KEY_0, "0", 2, 5, ICON_0},
    {KEY_1, "1", 1, 2, ICON_1},
    {KEY_2, "2", 2, 2, ICON_2},
    {KEY_3, "3", 3, 2, ICON_3},
    {KEY_4, "4", 1, 3, ICON_4},
    {KEY_5, "5", 2, 3, ICON_5},
    {KEY_6, "6", 3, 3, ICON_6},
    {KEY_7, "7", 1, 4, ICON_7},
    {KEY_8, "8", 2, 4, ICON_8},
    {KEY_9, "9", 3, 4, ICON_9},
    {KEY_MUTE, "Mute", 4, 1, ICON_MUTE},
    {KEY_VFORMAT, "VFormat", 4, 3, ICON_VFORMAT},
    {KEY_STAR, "Star", 4, 4, ICON_NONE},
    {KEY_AR, "AR", 1, 1, ICON_AR},
    {KEY_AUX, "Aux", 2, 1, ICON_AUX},
    {KEY_SLEEP, "Sleep", 3, 1, ICON_SLEEP},
    {KEY_RECALL, "Recall", 1, 5, ICON_RECALL},
    {KEY_INFO, "Info", 3, 5, ICON_INFO},
    {KEY_TVRADIO, "TvRadio", 3, 6, ICON_TVRADIO},
    {KEY_AUDIO, "AudioTrk", 3, 7, ICON_AUDIO},
    {KEY_SUBTITLE, "Subtitle", 3, 9, ICON_SUBTITLE},
    {KEY_TELETEXT, "Teletext", 3, 10, ICON_TELETEXT},
    {KEY_GUIDE, "Guide", 1, 6, ICON_GUIDE},
    {KEY_MENU, "Menu", 1, 7, ICON_MENU},
    {KEY_FAV, "Fav", 1, 9, ICON_FAV},
    {KEY_EXIT, "Exit", 1, 10, ICON_EXIT},
    {KEY_OK, "Ok", 2, 8, ICON_OK},
    {KEY_P_PLUS, "P+", 4, 6, ICON_P_PLUS},
    {KEY_P_MINUS, "P-", 4, 7, ICON_P_MINUS},
    {KEY_V_PLUS, "V+", 4, 9, ICON_V_PLUS},
    {KEY_V_MINUS, "V-", 4, 10, ICON_V_MINUS},
    {KEY_UP, "^", 2, 6, ICON_UP},
    {KEY_DOWN, "v", 2, 10, ICON_DOWN},
    {KEY_LEFT, "<", 1, 8, ICON_LEFT},
    {KEY_RIGHT, ">", 3, 8, ICON_RIGHT},
    {KEY_REWIND, "<<", 1, 11, ICON_REWIND},
    {KEY_PLAY, "Play", 2, 11, ICON_PLAY},
    {KEY_FORWARD, ">>", 3, 11, ICON_FORWARD},
    {KEY_SLOW, "Slow", 1, 12, ICON_SLOW},
    {KEY_STOP, "Stop", 2, 12, ICON_STOP},
    {KEY_RECORD, "Record", 3, 12, ICON_RECORD},
    {KEY_PAUSE, "Pause", 4, 12, ICON_PAUSE},
    {KEY_JUMP_START, "|<", 1, 13, ICON_JUMP_START},
    {KEY_FILELIST, "Filelist", 2, 13, ICON_FILELIST},
    {KEY_JUMP_END, ">|", 3, 13, ICON_JUMP_END},
    {KEY_F1, "F1", 1, 14, ICON_F1},
    {KEY_F2, "F2", 2, 14, ICON_F2},
    {KEY_F3, "F3", 3, 14, ICON_F3},
    {KEY_F4, "F4", 4, 14, ICON_F4},
    {KEY_SAT, "Sat", 2, 15, ICON_SAT},
    {KEY_CUT, ">|<", 3, 15, ICON_CUT},
    {KEY_WHITE, "White", 4, 15, ICON_WHITE},
};

// Row of a key code (repeat, release and TAP-mark bits ignored), or null.
inline const key_name_row* key_name_find(uint32_t code) {
    code &= ~(KEY_REPEAT | KEY_RELEASE | KEY_TAP_MARK);
    for (const key_name_row& row : key_name_table)
        if (row.code == code) return &row;
    return nullptr;
}

// Row of a key name (exact, case-sensitive), or null.
inline const key_name_row* key_name_lookup(const char* name) {
    for (const key_name_row& row : key_name_table)
        if (strcmp(row.name, name) == 0) return &row;
    return nullptr;
}
