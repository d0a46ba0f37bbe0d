#include "icons.h"

#include <string.h>

#include "common/key_names.h"

namespace {

struct key_icon_row {
    dword code;
    const TYPE_GrData* icon;
};

// One row per key of the key name table, in its order.
constexpr key_icon_row key_icons[] = {
    {0x10000, &_Button_0_Gd},
    {0x10001, &_Button_1_Gd},
    {0x10002, &_Button_2_Gd},
    {0x10003, &_Button_3_Gd},
    {0x10004, &_Button_4_Gd},
    {0x10005, &_Button_5_Gd},
    {0x10006, &_Button_6_Gd},
    {0x10007, &_Button_7_Gd},
    {0x10008, &_Button_8_Gd},
    {0x10009, &_Button_9_Gd},
    {0x1000C, &_Button_mute_Gd},
    {0x10044, &_Button_vf_Gd},
    {0x10050, nullptr},
    {0x1000E, &_Button_ar_Gd},
    {0x10022, &_Button_aux_Gd},
    {0x10010, &_Button_sleep_Gd},
    {0x1000B, &_Button_recall_Gd},
    {0x10014, &_Button_info_Gd},
    {0x10018, &_Button_tv_radio_Gd},
    {0x10013, &_Button_audio_Gd},
    {0x10021, &_Button_subtitle_Gd},
    {0x10037, &_Button_ttx_Gd},
    {0x10016, &_Button_guide_Gd},
    {0x1001C, &_Button_menu_Gd},
    {0x10020, &_Button_fav_Gd},
    {0x10017, &_Button_exit_Gd},
    {0x1001E, &_Button_ok_Gd},
    {0x10045, &_Button_progplus_Gd},
    {0x10046, &_Button_progminus_Gd},
    {0x10047, &_Button_volplus_Gd},
    {0x10048, &_Button_volminus_Gd},
    {0x10012, &_Button_up_Gd},
    {0x1001D, &_Button_down_Gd},
    {0x1000F, &_Button_left_Gd},
    {0x10015, &_Button_right_Gd},
    {0x10038, &_Button_rwd_Gd},
    {0x10039, &_Button_play_Gd},
    {0x1003A, &_Button_ffwd_Gd},
    {0x1003B, &_Button_step_Gd},
    {0x1003C, &_Button_stop_Gd},
    {0x1003D, &_Button_record_Gd},
    {0x1001A, &_Button_pause_Gd},
    {0x10041, &_Button_jumpstart_Gd},
    {0x10042, &_Button_filelist_Gd},
    {0x10043, &_Button_jumpend_Gd},
    {0x10023, &_Button_red_Gd},
    {0x10024, &_Button_green_Gd},
    {0x10025, &_Button_yellow_Gd},
    {0x10026, &_Button_blue_Gd},
    {0x10040, &_Button_sat_Gd},
    {0x1003E, &_Button_cut_Gd},
    {0x10049, &_Button_white_Gd},
};
static_assert(sizeof key_icons / sizeof key_icons[0] ==
                  sizeof key_name_table / sizeof key_name_table[0],
              "one icon row per key");

} // namespace

const TYPE_GrData* key_icon(dword code) {
    code &= ~(KEY_REPEAT | KEY_RELEASE | KEY_TAP_MARK);
    for (const key_icon_row& row : key_icons)
        if (row.code == code) return row.icon;
    return nullptr;
}

bool key_label_match(const char* label, size_t len, const TYPE_GrData** icon) {
    if (len == 0) return false;
    for (const key_name_row& row : key_name_table) {
        if (strncmp(row.name, label, len) == 0) {
            *icon = key_icon(row.code);
            return true;
        }
    }
    return false;
}
