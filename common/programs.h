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

// Runs a shell command line through a pipe, reads and drops its standard output, and returns
// the exit status word of pclose (exit code x 256), or -2 when the command could not start.
int program_run(const char* command);

// The downloader: fetches url (host and path; "https://" is put in front for a secure link)
// into the Linux path output with the user's "wget" of "/ProgramFiles" (plain links, when it
// is executable) or the helper "wget.mips" with "--no-check-certificate"; standard error goes
// to "wget.stderr" of the settings folder. One try, a 3-second network time-out. Returns the
// exit status word (0 success, exit code x 256), -1 when no downloader exists (the standard
// error "Backend file missing..." is posted), -2 when the command could not be started. When
// the user's wget exits with code 1, the helper is tried once. Exit code 4 (network failure)
// posts the standard error "Server unreachable...".
int wget_fetch(const char* url, const char* output, int secure);
