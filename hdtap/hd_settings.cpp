// The settings folder and the 32-byte settings file.
#include <string.h>

#include "common/byte_order.h"
#include "common/file_io.h"
#include "hd.h"

hd_ini ini;
hd_ini oldini;

namespace {

const char ini_name[] = "TovakRC.ini";
const char* const folders[3] = {"ProgramFiles", "Settings", "TovakRC"};

// The resident TAP's settings file is refused once per run with a note.
bool resident_note_shown;

// The size of a file of the current folder, or -1 when it cannot be opened.
long file_size(const char* name) {
    if (!TAP_Hdd_Exist(name)) return -1;
    tap_file file(TAP_Hdd_Fopen(name));
    return file.f ? static_cast<long>(TAP_Hdd_Flen(file.f)) : -1;
}

} // namespace

void ini_from_bytes(const uint8_t* in, hd_ini* out) {
    memcpy(out->unused0, in, 8);
    out->initialised = static_cast<int32_t>(get_le32(in + 0x08));
    out->flags = get_le32(in + 0x0C);
    out->id = in[0x10];
    out->tf = in[0x11];
    out->rc = in[0x12];
    out->unused13 = in[0x13];
    out->check_day = get_le16(in + 0x14);
    out->save_day = get_le16(in + 0x16);
    memcpy(out->unused18, in + 0x18, 8);
}

void ini_to_bytes(const hd_ini& in, uint8_t* out) {
    memcpy(out, in.unused0, 8);
    put_le32(out + 0x08, static_cast<uint32_t>(in.initialised));
    put_le32(out + 0x0C, in.flags);
    out[0x10] = in.id;
    out[0x11] = in.tf;
    out[0x12] = in.rc;
    out[0x13] = in.unused13;
    put_le16(out + 0x14, in.check_day);
    put_le16(out + 0x16, in.save_day);
    memcpy(out + 0x18, in.unused18, 8);
}

void ini_clamp(hd_ini* s) {
    if (s->tf >= HD_MODELS) s->tf = 1;
    if (s->rc >= HD_MODELS) s->rc = 1;
    if (s->id > MAX_ID) s->id = 0;
}

bool ini_read(void) {
    if (cd_settings() != 0) return false;
    uint8_t bytes[INI_SIZE];
    dword blocks = 0;
    if (TAP_Hdd_Exist(ini_name)) {
        tap_file file(TAP_Hdd_Fopen(ini_name));
        if (file.f) blocks = TAP_Hdd_Fread(bytes, INI_SIZE, 1, file.f);
    }
    if (blocks != 1) return false;
    ini_from_bytes(bytes, &ini);
    ini_clamp(&ini);
    return ini.initialised > 0;
}

int cd_settings(void) {
    const int root = TAP_Hdd_ChangeDir("/");
    const int exists = TAP_Hdd_Exist(folders[0]);
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && TAP_Hdd_Exist(folders[i]) != exists) TAP_Hdd_Create(folders[i], ATTR_FOLDER);
        if (TAP_Hdd_ChangeDir(folders[i]) != root) {
            alert_printf(" TAP_Hdd_ChangeDir (%s) failed", folders[i]);
            return 255 - i;
        }
    }
    return 0;
}

int ini_write(void) {
    if (cd_settings() != 0) return -1;
    if (file_size(ini_name) == RESIDENT_INI_SIZE) {
        if (!resident_note_shown)
            osd_alert(" TovakRC.ini belongs to TovakRC: settings kept in memory only");
        resident_note_shown = true;
        return -1;
    }
    TAP_Hdd_Delete(ini_name);
    TAP_Hdd_Create(ini_name, ATTR_FILE);
    uint8_t bytes[INI_SIZE];
    ini_to_bytes(ini, bytes);
    tap_file file(TAP_Hdd_Fopen(ini_name));
    if (!file.f || TAP_Hdd_Fwrite(bytes, INI_SIZE, 1, file.f) != 1) {
        alert_printf(" TAP_Hdd_Fwrite (%s) failed", ini_name);
        return -1;
    }
    return 0;
}

int get_mjd(int32_t* seconds) {
    word mjd = 0;
    byte hour = 0, minute = 0, second = 0;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    if (seconds) *seconds = hour * 3600 + minute * 60 + second;
    return mjd;
}
