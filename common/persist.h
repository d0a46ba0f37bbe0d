// The records of the settings folder: loading with their backups, saving, the settings folder
// itself and the values that mean success for the disk calls.
#pragma once

#include <stddef.h>

// What TAP_Hdd_ChangeDir("/") and TAP_Hdd_Exist("ProgramFiles") gave at start-up: the values
// that mean success for the folder check.
extern int hdd_success_change_dir;
extern int hdd_success_exist;
void hdd_success_record(void);

// Enters "/ProgramFiles/Settings/TovakRC" with the TAP API, creating "Settings" and "TovakRC"
// when missing. 0, or -1 (no "ProgramFiles"), -2 ("Settings"), -3 ("TovakRC").
int settings_folder_check(void);

// Reads size bytes of a file (path rule: plain names lie in the settings folder).
// 0 complete, -1 cannot open, -2 short (the buffer holds what was read).
int record_load(const char* name, void* buffer, size_t size);
// Loads name; when complete, writes the buffer to name + ".backup" and returns 0. Otherwise
// loads name + ".backup" into the same buffer: 1 when that was complete, else its failure.
int record_load_with_backup(const char* name, void* buffer, size_t size);
// Writes size bytes (truncating) and sets the file time by the touch rule. 0, -1 cannot open,
// -2 short write.
int record_save(const char* name, const void* buffer, size_t size);

// "TovakRC.ini" into `settings`: with its backup; a complete record that fails the
// plausibility test (written by another program) counts as unreadable when its backup is
// sound, and never replaces the backup. Then the first-run defaults (saved at once) when the
// record is not initialised, and every field brought into its range. Returns how it was
// loaded: 0 from the file, 1 from the backup, 2 first-run defaults.
int settings_load(void);
// Writes `settings` to "TovakRC.ini" (the backup follows at the next start). 0 or negative.
int settings_save(void);

// "TovakRC.pos" into `position`, with its backup.
void position_load(void);
// Writes `position` to "TovakRC.pos" when the settings folder can be entered. 0 or negative.
int position_save(void);
