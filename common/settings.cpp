#include "settings.h"

#include <string.h>

#include "byte_order.h"

settings_record settings;

namespace {

constexpr unsigned max_model = 4;
constexpr unsigned max_receiver_id = 9;
constexpr unsigned max_sorting = 4, max_mp3_mode = 4;
constexpr unsigned max_stop_action = 2;
constexpr unsigned max_location_mode = 4;
constexpr unsigned max_tables = 20; // Max. Files (thousands), Max. Text (5000 lines)
constexpr unsigned default_tables = 2;
constexpr int max_latitude = 9000, max_longitude = 18000;
constexpr char default_bookmarks[] = "/WebCache/Bookmarks.html";

unsigned startup_field(uint32_t word, int shift, uint32_t mask) {
    return (word >> shift) & mask;
}
uint32_t with_field(uint32_t word, int shift, uint32_t mask, unsigned value) {
    return (word & ~(mask << shift)) | ((value & mask) << shift);
}

} // namespace

void settings_to_bytes(const settings_record& s, uint8_t* out) {
    memset(out, 0, SETTINGS_RECORD_SIZE);
    memcpy(out, s.unused0, sizeof s.unused0);
    put_le32(out + 0x08, static_cast<uint32_t>(s.initialised));
    put_le32(out + 0x0C, s.flags);
    out[0x10] = s.receiver_id;
    out[0x11] = s.tf_model;
    out[0x12] = s.rc_model;
    out[0x13] = s.sort_mp3;
    put_le16(out + 0x14, s.update_day);
    put_le16(out + 0x16, s.save_day);
    put_le32(out + 0x18, s.startup);
    put_le16(out + 0x1C, static_cast<uint16_t>(s.start_channel));
    memcpy(out + 0x1E, s.unused1e, sizeof s.unused1e);
    put_le16(out + 0x20, static_cast<uint16_t>(s.latitude));
    put_le16(out + 0x22, static_cast<uint16_t>(s.longitude));
    memcpy(out + 0x24, s.unused24, sizeof s.unused24);
    memcpy(out + 0x80, s.bookmark_path, sizeof s.bookmark_path);
}

void settings_from_bytes(const uint8_t* in, settings_record* s) {
    memcpy(s->unused0, in, sizeof s->unused0);
    s->initialised = static_cast<int32_t>(get_le32(in + 0x08));
    s->flags = get_le32(in + 0x0C);
    s->receiver_id = in[0x10];
    s->tf_model = in[0x11];
    s->rc_model = in[0x12];
    s->sort_mp3 = in[0x13];
    s->update_day = get_le16(in + 0x14);
    s->save_day = get_le16(in + 0x16);
    s->startup = get_le32(in + 0x18);
    s->start_channel = static_cast<int16_t>(get_le16(in + 0x1C));
    memcpy(s->unused1e, in + 0x1E, sizeof s->unused1e);
    s->latitude = static_cast<int16_t>(get_le16(in + 0x20));
    s->longitude = static_cast<int16_t>(get_le16(in + 0x22));
    memcpy(s->unused24, in + 0x24, sizeof s->unused24);
    memcpy(s->bookmark_path, in + 0x80, sizeof s->bookmark_path);
}

uint8_t settings_model_for_system(int system_id) {
    switch (system_id) {
    case 22120:
    case 22130:
        return 2;
    case 22570:
        return 3;
    case 42031:
    case 42561:
        return 0;
    default:
        return 1;
    }
}

void settings_defaults(settings_record* s, int system_id, int menu_language) {
    memset(s, 0, sizeof *s);
    s->initialised = 1;
    s->flags = SET_CH_VOL | SET_FILES_OK | SET_INFOS_SUBTITLE;
    if (menu_language != 2) s->flags |= SET_ENGLISH;
    s->tf_model = s->rc_model = settings_model_for_system(system_id);
    memcpy(s->bookmark_path, default_bookmarks, sizeof default_bookmarks);
}

bool settings_plausible(const settings_record& s) {
    const uint32_t both_files = SET_FILES_OK | SET_FILES_FILELIST;
    const uint32_t both_infos = SET_INFOS_SUBTITLE | SET_INFOS_INFO;
    return s.receiver_id <= max_receiver_id && s.tf_model <= max_model && s.rc_model <= max_model &&
           (s.sort_mp3 & 0xF) <= max_sorting && (s.sort_mp3 >> 4) <= max_mp3_mode &&
           settings_stop_action(s) <= max_stop_action &&
           settings_location_mode(s) <= max_location_mode && settings_max_files(s) <= max_tables &&
           settings_max_text(s) <= max_tables && s.latitude >= -max_latitude &&
           s.latitude <= max_latitude && s.longitude >= -max_longitude &&
           s.longitude <= max_longitude && (s.flags & both_files) != both_files &&
           (s.flags & both_infos) != both_infos &&
           memchr(s.bookmark_path, 0, sizeof s.bookmark_path) != nullptr;
}

void settings_clamp(settings_record* s, int system_id) {
    if (s->receiver_id > max_receiver_id) s->receiver_id = 0;
    if (s->tf_model > max_model) s->tf_model = settings_model_for_system(system_id);
    if (s->rc_model > max_model) s->rc_model = settings_model_for_system(system_id);
    unsigned sorting = s->sort_mp3 & 0xF, mp3 = s->sort_mp3 >> 4;
    if (sorting > max_sorting) sorting = 0;
    if (mp3 > max_mp3_mode) mp3 = 0;
    s->sort_mp3 = static_cast<uint8_t>(mp3 << 4 | sorting);
    if (settings_stop_action(*s) > max_stop_action) s->startup = with_field(s->startup, 0, 3, 0);
    if (settings_location_mode(*s) > max_location_mode)
        s->startup = with_field(s->startup, 4, 7, 0);
    unsigned files = startup_field(s->startup, 16, 0xFF),
             text = startup_field(s->startup, 24, 0xFF);
    files = files == 0 ? default_tables : files > max_tables ? max_tables : files;
    text = text == 0 ? default_tables : text > max_tables ? max_tables : text;
    s->startup = with_field(with_field(s->startup, 16, 0xFF, files), 24, 0xFF, text);
    if (s->latitude < -max_latitude) s->latitude = -max_latitude;
    if (s->latitude > max_latitude) s->latitude = max_latitude;
    if (s->longitude < -max_longitude) s->longitude = -max_longitude;
    if (s->longitude > max_longitude) s->longitude = max_longitude;
    if ((s->flags & (SET_FILES_OK | SET_FILES_FILELIST)) == (SET_FILES_OK | SET_FILES_FILELIST))
        s->flags &= ~SET_FILES_FILELIST;
    if ((s->flags & (SET_INFOS_SUBTITLE | SET_INFOS_INFO)) == (SET_INFOS_SUBTITLE | SET_INFOS_INFO))
        s->flags &= ~SET_INFOS_INFO;
    s->bookmark_path[sizeof s->bookmark_path - 1] = 0;
}
