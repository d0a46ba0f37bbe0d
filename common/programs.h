// Helper programs of the settings folder and the folder the TAP last changed into.
#pragma once

// Linux path (a fresh mem_alloc string the caller frees) of an executable helper program in the
// settings folder, or null. The file is made executable first; when it is missing, the standard
// error "Backend file missing..." is posted with the program's settings path as its title.
char* program_path(const char* name);

// Changes the TAP's folder (TAP_Hdd_ChangeDir) and remembers it as the current directory;
// returns 0, or -1 when the folder cannot be entered (the current directory is then unknown).
int tap_folder_change(const char* dir);
// The remembered current directory (receiver path from the disk root), or null when unknown.
const char* tap_folder(void);
