// The compact HD TAP: remote-control interception (TAP key, receiver ID, model translation, IR
// code filter) with a small menu, a calculator and an update check of its own. It shares only
// the pure pieces of common/ (remote-control tables, calculator arithmetic, date parser) with
// the resident TAP.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/tap_api.h"
#include "platform/tap_header.h"

// The TAP header's texts (hd_main.cpp).
extern "C" {
extern const char __tap_program_name__[64];
extern const char __tap_author_name__[64]; // also the update server's host name
extern const char __tap_description__[128];
extern const char __tap_etc_str__[64]; // build date, "Mar 18 2016 23:28:16"
extern const uint32_t __tap_ud__;
extern const tap_header_block __tap_Header__;
}

// ---- Settings: "TovakRC.ini", 32 bytes little-endian (hd_settings.cpp) ----

struct hd_ini {
    uint8_t unused0[8];
    int32_t initialised; // 0x08: valid when above 0
    uint32_t flags;      // 0x0C: ini_flag bits
    uint8_t id;          // 0x10: receiver ID 0..9, 0 = off
    uint8_t tf;          // 0x11: receiver model 0..3
    uint8_t rc;          // 0x12: remote-control model 0..3
    uint8_t unused13;
    uint16_t check_day; // 0x14: MJD of the last update check
    uint16_t save_day;  // 0x16: MJD of the last "Save + Exit Menu", 0 after an update check
    uint8_t unused18[8];
};
static_assert(sizeof(hd_ini) == 32, "the settings file holds 32 bytes");
static_assert(offsetof(hd_ini, initialised) == 0x08 && offsetof(hd_ini, flags) == 0x0C &&
                  offsetof(hd_ini, id) == 0x10 && offsetof(hd_ini, tf) == 0x11 &&
                  offsetof(hd_ini, rc) == 0x12 && offsetof(hd_ini, check_day) == 0x14 &&
                  offsetof(hd_ini, save_day) == 0x16,
              "fields at the offsets of the resident TAP's settings record");

enum ini_flag : uint32_t {
    INI_CH_VOL = 0x2,    // cursor keys as channel and volume keys in live TV
    INI_IR_FILTER = 0x4, // the receiver accepts only the models' IR code sets
    INI_LISTEN = 0x10,   // start listening (else deaf when an ID is set)
    INI_TVSAT = 0x40,    // TAP key TvSat (else Sat)
};

enum {
    INI_SIZE = 32,
    RESIDENT_INI_SIZE = 256, // the resident TAP's settings file of the same name
    HD_MODELS = 4,
    MAX_ID = 9,
};

extern hd_ini ini;    // the settings in use
extern hd_ini oldini; // copy taken when the menu opens

void ini_from_bytes(const uint8_t* in, hd_ini* out);
void ini_to_bytes(const hd_ini& in, uint8_t* out);
// Brings the models and the ID into their ranges (a file may hold anything).
void ini_clamp(hd_ini* s);
// Loads "TovakRC.ini"; false when it is missing, short or not initialised.
bool ini_read(void);
// Enters "/ProgramFiles/Settings/TovakRC", creating missing folders: 0, or 255, 254, 253 when
// ProgramFiles, Settings or TovakRC cannot be entered.
int cd_settings(void);
// Writes the 32 bytes of ini: 0, or -1 (the alert window says why). A settings file of the
// resident TAP (256 bytes) is never overwritten.
int ini_write(void);
// Today's Modified Julian Day; the seconds of the day go to *seconds when given.
int get_mjd(int32_t* seconds);

// ---- Run-time state (hd_main.cpp) ----

enum run_flag : uint32_t {
    RUN_TAP_PENDING = 0x1,
    RUN_DEAF = 0x2,
    RUN_MENU = 0x4,
    RUN_IR_DIAG = 0x8,    // menu key AR
    RUN_SUB = 0x10,       // a window of the menu is open
    RUN_DIAG_NOTE = 0x20, // "Diagnostics" note shown (menu key Subtitle)
};

extern uint32_t flags;
extern dword tapkey;    // 0x10022 TvSat or 0x10040 Sat
extern dword key;       // one key queued for the menu
extern int line;        // the menu's selected line, 1..14
extern int update;      // a silent update check is due
extern dword uptick;    // tick of the start
extern int32_t uptime;  // second of the day of the start
extern uint32_t upidle; // idle events seen

extern const char* const pvrs[HD_MODELS];     // receiver and remote model names
extern const uint32_t* const keys[HD_MODELS]; // the models' key tables
extern const uint32_t* const curs;            // ^ v > <

// ---- Keys and IR modes (hd_remote.cpp) ----

// The receiver model's channel/volume key for a cursor key, else 0.
dword map_cursor(dword key);
// The remote's code as the receiver model's code, else 0 (cursor keys give 0).
dword map_keys(dword key);
// The same for a key that is no cursor key.
dword map_remote(dword key);
void deaf_flag(bool on);
// A firmware symbol's address (null when the firmware does not have it).
void* fw_addr(const char* name);
// Marks the IR code-set position of a model.
void cnv_mode(bool set[], unsigned model);
void set_mode(int slot, int enable, int position);
// With the IR filter on: the receiver accepts the code sets of the receiver and remote models.
void set_modes(void);

// ---- OSD (hd_osd.cpp) ----

struct osd_window {
    int region;
    bool created;
    bool placed; // a position was set: not centred
    int width, height, left, top;
    int column, row; // text position
};
extern osd_window alert_window, menu_window;

enum { OSD_ROW = 26, OSD_COLUMN = 100, SCREEN_W = 720, SCREEN_H = 576 };
enum : dword {
    COLOR_BACK = 0xFF101010,
    COLOR_SELECTED_BACK = 0xFF800000,
    COLOR_TITLE_BACK = 0xFF000080,
    COLOR_WHITE = 0xFFFFFFFF,
    COLOR_YELLOW = 0xFFFFFF00,
    COLOR_RED = 0xFFFF0000,
};

void osd_init(osd_window* w, int width, int height);
// style > 0 selected line, < 0 title, 0 plain.
void osd_print(osd_window* w, const char* text, int style);
// Adds a line to the alert window (opened when needed); null closes it.
void osd_alert(const char* text);
void osd_exit(osd_window* w);
void osd_frame(osd_window* w, dword color);

extern char pbuf[200]; // message buffer; messages begin with a blank
// Formats into pbuf and shows it in the alert window.
void alert_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Formats into pbuf and prints it as a plain line of w.
void osd_printf(osd_window* w, const char* format, ...) __attribute__((format(printf, 2, 3)));

// ---- Menu (hd_menu.cpp) ----

// Closes the windows, gives the screen back and ends the TAP.
void hd_terminate(void);

// The menu's part of the idle event: opens the menu, runs the queued key.
void menu_idle(void);
void draw_menu(void);
void show_calc(dword key);

// ---- Receiver signature and update check ----

extern char cfg_fw[31], cfg_date[40], cfg_ip[40], cfg_mac[20], cfg_sig[50];
void cfg_setup(void);
// mode 0 silent, 1 interactive: -1 no connection, 0 checked (or not found / unsafe date),
// 1 no newer version, 2 a download was tried.
int chk_update(int mode);
