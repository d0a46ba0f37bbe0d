// Windows and actions whose subsystems are not built yet: the dispatcher's call sites stay in
// place and do nothing until their owners replace these definitions.
#include "core/windows.h"

dword settings_menu(dword) {
    return 0;
}
dword infos_window(dword) {
    return 0;
}
dword epg_window(dword) {
    return 0;
}
dword text_viewer(dword, const char*) {
    return 0;
}
bool menu_shows_key_codes(void) {
    return false;
}
osd_window* menu_window(void) {
    return nullptr;
}

void recording_trim(bool) {}
void tap_stop_action(void) {}

bool mp3_playlist_active(void) {
    return false;
}
void mp3_key(dword) {}
void mp3_track_finished(void) {}
bool mp3_track_is_finished(void) {
    return false;
}
void mp3_drop_playlist(void) {}
void mp3_advance(void) {}
void mp3_play(const char*, const char*, int) {}
void browser_tool(int, const char*, const char*) {}

bool system_mac_known(void) {
    return true;
}
int update_check(int) {
    return -1;
}
