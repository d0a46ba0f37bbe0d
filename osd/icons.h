// The icons compiled into the TAP: the program logo, the folder and file symbols of the file
// browser and one button picture per remote-control key. Each descriptor points at its block in
// our compressed graphic format and goes unchanged to TAP_Osd_PutGd; only its width is read.
// The pictures are made at build time by tools/icon_gen.
#pragma once

#include <stddef.h>

#include "common/key_names.h"
#include "platform/tap_api.h"

extern const TYPE_GrData _tovakGd;  // 18 x 22, program logo
extern const TYPE_GrData _folderGd; // 24 x 19
extern const TYPE_GrData _fileGd;   // 16 x 18

// Digit keys, 24 x 20.
extern const TYPE_GrData _Button_0_Gd, _Button_1_Gd, _Button_2_Gd, _Button_3_Gd, _Button_4_Gd,
    _Button_5_Gd, _Button_6_Gd, _Button_7_Gd, _Button_8_Gd, _Button_9_Gd;
// Wide keys, 40 x 20, and Guide, 54 x 20.
extern const TYPE_GrData _Button_ok_Gd, _Button_exit_Gd, _Button_menu_Gd, _Button_fav_Gd,
    _Button_sat_Gd, _Button_aux_Gd, _Button_guide_Gd;
// Colour keys F1..F4 and White, 18 x 18.
extern const TYPE_GrData _Button_red_Gd, _Button_green_Gd, _Button_yellow_Gd, _Button_blue_Gd,
    _Button_white_Gd;
// The remaining keys, 24 x 20.
extern const TYPE_GrData _Button_mute_Gd, _Button_vf_Gd, _Button_ar_Gd, _Button_sleep_Gd,
    _Button_recall_Gd, _Button_info_Gd, _Button_tv_radio_Gd, _Button_audio_Gd, _Button_subtitle_Gd,
    _Button_ttx_Gd, _Button_progplus_Gd, _Button_progminus_Gd, _Button_volplus_Gd,
    _Button_volminus_Gd, _Button_up_Gd, _Button_down_Gd, _Button_left_Gd, _Button_right_Gd,
    _Button_rwd_Gd, _Button_play_Gd, _Button_ffwd_Gd, _Button_step_Gd, _Button_stop_Gd,
    _Button_record_Gd, _Button_pause_Gd, _Button_jumpstart_Gd, _Button_filelist_Gd,
    _Button_jumpend_Gd, _Button_cut_Gd;

// The picture of an icon id of the key name table (null for ICON_NONE).
const TYPE_GrData* icon_picture(key_icon_id icon);
// The icon of a key code of the key name table (repeat, release and TAP-mark bits ignored), or
// null for "Star" and codes outside the table.
const TYPE_GrData* key_icon(dword code);

// Key-help label matching: the first row of the key name table whose name begins with the
// label's len characters. Sets *icon to the row's icon (null for "Star"). Returns false when
// no row matches or the label is empty.
bool key_label_match(const char* label, size_t len, const TYPE_GrData** icon);
