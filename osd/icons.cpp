#include "icons.h"

#include <string.h>

#include "common/key_names.h"

namespace {

// The button picture of each icon id, in the order of key_icon_id.
constexpr const TYPE_GrData* button_icons[ICON_COUNT] = {
    nullptr,
    &_Button_0_Gd,
    &_Button_1_Gd,
    &_Button_2_Gd,
    &_Button_3_Gd,
    &_Button_4_Gd,
    &_Button_5_Gd,
    &_Button_6_Gd,
    &_Button_7_Gd,
    &_Button_8_Gd,
    &_Button_9_Gd,
    &_Button_mute_Gd,
    &_Button_vf_Gd,
    &_Button_ar_Gd,
    &_Button_aux_Gd,
    &_Button_sleep_Gd,
    &_Button_recall_Gd,
    &_Button_info_Gd,
    &_Button_tv_radio_Gd,
    &_Button_audio_Gd,
    &_Button_subtitle_Gd,
    &_Button_ttx_Gd,
    &_Button_guide_Gd,
    &_Button_menu_Gd,
    &_Button_fav_Gd,
    &_Button_exit_Gd,
    &_Button_ok_Gd,
    &_Button_progplus_Gd,
    &_Button_progminus_Gd,
    &_Button_volplus_Gd,
    &_Button_volminus_Gd,
    &_Button_up_Gd,
    &_Button_down_Gd,
    &_Button_left_Gd,
    &_Button_right_Gd,
    &_Button_rwd_Gd,
    &_Button_play_Gd,
    &_Button_ffwd_Gd,
    &_Button_step_Gd,
    &_Button_stop_Gd,
    &_Button_record_Gd,
    &_Button_pause_Gd,
    &_Button_jumpstart_Gd,
    &_Button_filelist_Gd,
    &_Button_jumpend_Gd,
    &_Button_red_Gd,
    &_Button_green_Gd,
    &_Button_yellow_Gd,
    &_Button_blue_Gd,
    &_Button_sat_Gd,
    &_Button_cut_Gd,
    &_Button_white_Gd,
};

} // namespace

const TYPE_GrData* icon_picture(key_icon_id icon) {
    return icon < ICON_COUNT ? button_icons[icon] : nullptr;
}

const TYPE_GrData* key_icon(dword code) {
    const key_name_row* row = key_name_find(code);
    return row ? icon_picture(row->icon) : nullptr;
}

bool key_label_match(const char* label, size_t len, const TYPE_GrData** icon) {
    if (len == 0) return false;
    for (const key_name_row& row : key_name_table) {
        if (strncmp(row.name, label, len) == 0) {
            *icon = icon_picture(row.icon);
            return true;
        }
    }
    return false;
}
