#include "persist.h"

#include <stdint.h>
#include <string.h>

#include "common/file_io.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/records.h"
#include "common/settings.h"
#include "platform/tap_api.h"

int hdd_success_change_dir = 1;
int hdd_success_exist = 1;

namespace {

const char settings_file[] = "TovakRC.ini";
const char position_file[] = "TovakRC.pos";
const char backup_suffix[] = ".backup";

// Enters folder of the current folder, creating it first when it does not exist.
bool enter_or_create(const char* folder) {
    if (TAP_Hdd_Exist(folder) != hdd_success_exist) TAP_Hdd_Create(folder, ATTR_FOLDER);
    return TAP_Hdd_ChangeDir(folder) == hdd_success_change_dir;
}

// name + ".backup" into out (size bytes); false when it does not fit.
bool backup_name(const char* name, char* out, size_t size) {
    size_t n = strlen(name);
    if (n + sizeof backup_suffix > size) return false;
    memcpy(out, name, n);
    memcpy(out + n, backup_suffix, sizeof backup_suffix);
    return true;
}

} // namespace

void hdd_success_record(void) {
    hdd_success_change_dir = TAP_Hdd_ChangeDir("/");
    hdd_success_exist = TAP_Hdd_Exist("ProgramFiles");
}

int settings_folder_check(void) {
    TAP_Hdd_ChangeDir("/");
    if (TAP_Hdd_ChangeDir("ProgramFiles") != hdd_success_change_dir) return -1;
    if (!enter_or_create("Settings")) return -2;
    if (!enter_or_create("TovakRC")) return -3;
    return 0;
}

int record_load(const char* name, void* buffer, size_t size) {
    char* path = path_libc(nullptr, name);
    if (!path) return -1;
    libc_file file(path, "rb");
    mem_free(path);
    if (!file) return -1;
    return fread(buffer, 1, size, file.f) == size ? 0 : -2;
}

int record_load_with_backup(const char* name, void* buffer, size_t size) {
    char backup[256];
    if (!backup_name(name, backup, sizeof backup)) return -1;
    if (record_load(name, buffer, size) == 0) {
        record_save(backup, buffer, size);
        return 0;
    }
    int r = record_load(backup, buffer, size);
    return r == 0 ? 1 : r;
}

int record_save(const char* name, const void* buffer, size_t size) {
    char* path = path_libc(nullptr, name);
    if (!path) return -1;
    mem_block path_owner(path);
    int result;
    {
        libc_file file(path, "wb");
        if (!file) return -1;
        size_t written = fwrite(buffer, 1, size, file.f);
        result = file.close() == 0 && written == size ? 0 : -2;
    }
    file_touch(path);
    return result;
}

int settings_load(void) {
    const int system_id = TAP_GetSystemId();
    uint8_t bytes[SETTINGS_RECORD_SIZE] = {};
    settings_record loaded;
    char backup[32];
    backup_name(settings_file, backup, sizeof backup);
    int how;
    int r = record_load(settings_file, bytes, sizeof bytes);
    settings_from_bytes(bytes, &loaded);
    if (r == 0 && settings_plausible(loaded)) {
        record_save(backup, bytes, sizeof bytes);
        how = 0;
    } else if (r == 0) {
        // Another program wrote this file: take the backup when it is sound, and keep it.
        uint8_t spare[SETTINGS_RECORD_SIZE] = {};
        settings_record from_backup;
        bool sound = record_load(backup, spare, sizeof spare) == 0;
        settings_from_bytes(spare, &from_backup);
        how = sound && settings_plausible(from_backup) ? 1 : 0;
        if (how == 1) loaded = from_backup;
    } else {
        how = record_load(backup, bytes, sizeof bytes) == 0 ? 1 : 0;
        settings_from_bytes(bytes, &loaded);
    }
    settings = loaded;
    if (settings.initialised < 1) {
        settings_defaults(&settings, system_id, TAP_GetSystemVar(SYSVAR_OsdLan));
        settings_save();
        how = 2;
    }
    settings_clamp(&settings, system_id);
    return how;
}

int settings_save(void) {
    uint8_t bytes[SETTINGS_RECORD_SIZE];
    settings_to_bytes(settings, bytes);
    return record_save(settings_file, bytes, sizeof bytes);
}

void position_load(void) {
    uint8_t bytes[POSITION_RECORD_SIZE] = {};
    record_load_with_backup(position_file, bytes, sizeof bytes);
    position_from_bytes(bytes, &position);
}

int position_save(void) {
    if (settings_folder_check() != 0) return -1;
    uint8_t bytes[POSITION_RECORD_SIZE];
    position_to_bytes(position, bytes);
    return record_save(position_file, bytes, sizeof bytes);
}
