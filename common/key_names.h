// The key name table: the 52 keys of the remote control with their codes, names and positions
// on the drawn remote control (column, row). Shared by the TAP and by the emulator's scripts.
#pragma once

#include <stdint.h>
#include <string.h>

struct key_name_row {
    uint32_t code;
    const char* name;
    uint8_t column;
    uint8_t row;
};

inline constexpr key_name_row key_name_table[52] = {
    {0x10000, "0", 2, 5},         {0x10001, "1", 1, 2},         {0x10002, "2", 2, 2},
    {0x10003, "3", 3, 2},         {0x10004, "4", 1, 3},         {0x10005, "5", 2, 3},
    {0x10006, "6", 3, 3},         {0x10007, "7", 1, 4},         {0x10008, "8", 2, 4},
    {0x10009, "9", 3, 4},         {0x1000C, "Mute", 4, 1},      {0x10044, "VFormat", 4, 3},
    {0x10050, "Star", 4, 4},      {0x1000E, "AR", 1, 1},        {0x10022, "Aux", 2, 1},
    {0x10010, "Sleep", 3, 1},     {0x1000B, "Recall", 1, 5},    {0x10014, "Info", 3, 5},
    {0x10018, "TvRadio", 3, 6},   {0x10013, "AudioTrk", 3, 7},  {0x10021, "Subtitle", 3, 9},
    {0x10037, "Teletext", 3, 10}, {0x10016, "Guide", 1, 6},     {0x1001C, "Menu", 1, 7},
    {0x10020, "Fav", 1, 9},       {0x10017, "Exit", 1, 10},     {0x1001E, "Ok", 2, 8},
    {0x10045, "P+", 4, 6},        {0x10046, "P-", 4, 7},        {0x10047, "V+", 4, 9},
    {0x10048, "V-", 4, 10},       {0x10012, "^", 2, 6},         {0x1001D, "v", 2, 10},
    {0x1000F, "<", 1, 8},         {0x10015, ">", 3, 8},         {0x10038, "<<", 1, 11},
    {0x10039, "Play", 2, 11},     {0x1003A, ">>", 3, 11},       {0x1003B, "Slow", 1, 12},
    {0x1003C, "Stop", 2, 12},     {0x1003D, "Record", 3, 12},   {0x1001A, "Pause", 4, 12},
    {0x10041, "|<", 1, 13},       {0x10042, "Filelist", 2, 13}, {0x10043, ">|", 3, 13},
    {0x10023, "F1", 1, 14},       {0x10024, "F2", 2, 14},       {0x10025, "F3", 3, 14},
    {0x10026, "F4", 4, 14},       {0x10040, "Sat", 2, 15},      {0x1003E, ">|<", 3, 15},
    {0x10049, "White", 4, 15},
};

// Row of a key code (repeat and release bits ignored), or null.
inline const key_name_row* key_name_find(uint32_t code) {
    code &= ~0x3000000u;
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
