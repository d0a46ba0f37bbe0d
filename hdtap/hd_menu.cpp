// The HD TAP's menu: settings lines, its actions and windows (calculator, key codes, infos,
// about). It runs in the idle event on the key the key handler queued.
#include <stdio.h>
#include <sys/utsname.h>

#include "common/calc.h"
#include "common/image_layout.h" // the TAP's own image, for the diagnostics variant
#include "common/key_codes.h"
#include "hd.h"

namespace {

enum { LINES = 14, SETTING_LINES = 7 };
enum {
    LINE_TAP_KEY = 1,
    LINE_TF,
    LINE_RC,
    LINE_IR_FILTER,
    LINE_CH_VOL,
    LINE_ID,
    LINE_START_MODE,
    LINE_SAVE,
    LINE_UPDATE,
    LINE_CALC,
    LINE_KEY_CODES,
    LINE_INFOS,
    LINE_ABOUT,
    LINE_TERMINATE,
};

const char* const labels[LINES + 1] = {
    nullptr,
    "> TAP Key = ",
    "> TF = ",
    "> RC = ",
    "> IR Filter = ",
    "> Ch / Vol = ",
    "> Select ID = ",
    "> Start Mode = ",
    "Save + Exit Menu",
    "Check Update",
    "Small Calculator",
    "Show Key Codes",
    "Show Various Infos",
    "About TovakRC",
    "Terminate TAP",
};

bool menu_shown; // the menu window was opened for the current menu flag
calc_state calc;

unsigned long address(const void* p) {
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(p));
}

const char* on_off(uint32_t flag) {
    return (ini.flags & flag) ? "On" : "Off";
}

// The value shown behind a settings line's label.
void line_value(int n, char* out, size_t size) {
    switch (n) {
    case LINE_TAP_KEY:
        snprintf(out, size, "%s", (ini.flags & INI_TVSAT) ? "TvSat" : "Sat");
        break;
    case LINE_TF:
        snprintf(out, size, "%s", pvrs[ini.tf]);
        break;
    case LINE_RC:
        snprintf(out, size, "%s", pvrs[ini.rc]);
        break;
    case LINE_IR_FILTER:
        snprintf(out, size, "%s", on_off(INI_IR_FILTER));
        break;
    case LINE_CH_VOL:
        snprintf(out, size, "%s", on_off(INI_CH_VOL));
        break;
    case LINE_ID:
        snprintf(out, size, "%d", ini.id);
        break;
    case LINE_START_MODE:
        snprintf(out, size, "%s", (ini.flags & INI_LISTEN) ? "Listen" : "Deaf");
        break;
    default:
        out[0] = 0;
    }
}

void menu_close() {
    osd_exit(&menu_window);
    TAP_EnterNormal();
    ini = oldini;
    flags &= ~(RUN_MENU | RUN_SUB);
    menu_shown = false;
}

// ---- settings lines: < and > ----

void toggle(uint32_t flag) {
    ini.flags ^= flag;
}

void step(int direction) {
    switch (line) {
    case LINE_TAP_KEY:
        toggle(INI_TVSAT);
        break;
    case LINE_IR_FILTER:
        toggle(INI_IR_FILTER);
        break;
    case LINE_CH_VOL:
        toggle(INI_CH_VOL);
        break;
    case LINE_START_MODE:
        toggle(INI_LISTEN);
        break;
    case LINE_TF:
        // "5000" (model 0) only comes from a settings file: < stops at 1.
        if (direction < 0 && ini.tf > 1) --ini.tf;
        if (direction > 0 && ini.tf < HD_MODELS - 1) ++ini.tf;
        break;
    case LINE_RC:
        if (direction < 0 && ini.rc > 0) --ini.rc;
        if (direction > 0 && ini.rc < HD_MODELS - 1) ++ini.rc;
        break;
    case LINE_ID:
        if (direction < 0 && ini.id > 0) --ini.id;
        if (direction > 0 && ini.id < MAX_ID) ++ini.id;
        break;
    }
    draw_menu();
}

// ---- the windows of Ok ----

void save_and_exit() {
    if (ini.id != oldini.id) deaf_flag(ini.id != 0);
    tapkey = (ini.flags & INI_TVSAT) ? KEY_AUX : KEY_SAT;
    ini.save_day = static_cast<uint16_t>(get_mjd(nullptr));
    ini_write();
    set_modes();
    oldini = ini;
    menu_close();
}

void check_update() {
    if (chk_update(1) < 0) alert_printf(" Error connecting to %s.", __tap_author_name__);
}

void show_key_codes() {
    osd_init(&menu_window, 692, 554);
    TAP_Osd_Sync();
}

void show_infos() {
    osd_init(&menu_window, 320, 208);
    dword heap = 0, free_heap = 0, available = 0;
    TAP_MemInfo(&heap, &free_heap, &available);
    int tv = 0, radio = 0;
    TAP_Channel_GetTotalNum(&tv, &radio);
    osd_printf(&menu_window, " Firmware: %s", cfg_fw);
    osd_printf(&menu_window, " System ID: %d", static_cast<int>(TAP_GetSystemId()));
    osd_printf(&menu_window, " ");
    osd_printf(&menu_window, " HDD: Total=%ld Free=%ld [GiB]",
               static_cast<long>(TAP_Hdd_TotalSize() / 1024),
               static_cast<long>(TAP_Hdd_FreeSize() / 1024));
    osd_printf(&menu_window, " Heap: T=%ld F=%ld A=%ld [MiB]", static_cast<long>(heap >> 20),
               static_cast<long>(free_heap >> 20), static_cast<long>(available >> 20));
    osd_printf(&menu_window, " ");
    osd_printf(&menu_window, " Signal: Level=%d%% Quality=%d%%", TAP_GetSignalLevel(),
               TAP_GetSignalQuality());
    osd_printf(&menu_window, " Channels: TV=%d Radio=%d", tv, radio);
    osd_frame(&menu_window, COLOR_WHITE);
    TAP_Osd_Sync();
}

void show_about() {
    if (!(flags & RUN_IR_DIAG)) {
        osd_init(&menu_window, 420, 130);
        osd_printf(&menu_window, " Program: %s", __tap_program_name__);
        osd_printf(&menu_window, " Author: %s", __tap_author_name__);
        osd_printf(&menu_window, " Description: %s", __tap_description__);
        osd_printf(&menu_window, " EtcInfo: %s", __tap_etc_str__);
        osd_printf(&menu_window, " TAP ID: 0x%lX", static_cast<unsigned long>(__tap_ud__));
        TAP_Osd_Sync();
        return;
    }
    osd_init(&menu_window, 450, 182);
    const unsigned long gp = image_gp(), got = image_got();
    osd_printf(&menu_window, " text=%lx data=%lx bss=%lx", address(IMAGE_TEXT), address(IMAGE_DATA),
               address(IMAGE_BSS));
    osd_printf(&menu_window, " end=%lx got=%lx gp=%lx", address(IMAGE_END), got, gp);
    osd_printf(&menu_window, " main=%lx init=%lx hdr=%lx",
               address(reinterpret_cast<void*>(&TAP_Main)),
               address(reinterpret_cast<void*>(&__TAP_Init_)), address(&__tap_Header__));
    osd_printf(&menu_window, " %s %s %s", cfg_mac, cfg_ip, cfg_date);
    osd_printf(&menu_window, " %s %d %d", cfg_sig, static_cast<int>(upidle),
               static_cast<int>((TAP_GetTick() - uptick) / 100));
    struct utsname system;
    if (uname(&system) == 0)
        osd_printf(&menu_window, " %s %s", system.sysname, system.release);
    else
        osd_printf(&menu_window, " %s %s", "?", "?");
    TAP_Osd_Sync();
}

void menu_ok() {
    switch (line) {
    case LINE_SAVE:
        save_and_exit();
        return;
    case LINE_UPDATE:
        check_update();
        return;
    case LINE_CALC:
        show_calc(0);
        break;
    case LINE_KEY_CODES:
        show_key_codes();
        break;
    case LINE_INFOS:
        show_infos();
        break;
    case LINE_ABOUT:
        show_about();
        break;
    case LINE_TERMINATE:
        hd_terminate();
        return;
    default:
        return;
    }
    flags |= RUN_SUB;
}

// ---- the menu's keys ----

void line_up() {
    line = line > 1 ? line - 1 : LINES;
    draw_menu();
}
void line_down() {
    line = line < LINES ? line + 1 : 1;
    draw_menu();
}
void value_lower() {
    step(-1);
}
void value_higher() {
    step(1);
}
void toggle_ir_diagnostics() {
    flags ^= RUN_IR_DIAG;
}
void toggle_diagnostics_note() {
    flags ^= RUN_DIAG_NOTE;
    osd_alert((flags & RUN_DIAG_NOTE) ? " Diagnostics" : nullptr);
    draw_menu();
}

struct menu_key_row {
    dword key;
    void (*run)();
};

constexpr menu_key_row menu_keys[] = {
    {KEY_UP, line_up},
    {KEY_DOWN, line_down},
    {KEY_LEFT, value_lower},
    {KEY_RIGHT, value_higher},
    {KEY_AR, toggle_ir_diagnostics},
    {KEY_SUBTITLE, toggle_diagnostics_note},
    {KEY_EXIT, menu_close},
    {KEY_OK, menu_ok},
};

// A key in one of the menu's windows.
void sub_window_key(dword code, dword plain) {
    if (plain == KEY_EXIT) {
        flags &= ~RUN_SUB;
        draw_menu();
    } else if (line == LINE_CALC) {
        show_calc(plain);
    } else if (line == LINE_KEY_CODES) {
        char text[16];
        snprintf(text, sizeof text, " 0x%lx", static_cast<unsigned long>(code));
        osd_print(&menu_window, text, 0);
        TAP_Osd_Sync();
    }
}

void menu_key(dword code) {
    const dword plain = code & ~(KEY_REPEAT | KEY_RELEASE);
    if (flags & RUN_SUB) {
        sub_window_key(code, plain);
        return;
    }
    for (const menu_key_row& row : menu_keys)
        if (row.key == plain) {
            row.run();
            return;
        }
}

// ---- the calculator ----

struct calc_key_row {
    dword key;
    char typed;
};

constexpr calc_key_row calc_keys[] = {
    {KEY_RECALL, '.'}, {KEY_LEFT, '-'}, {KEY_UP, '*'},      {KEY_RIGHT, '+'},
    {KEY_DOWN, '/'},   {KEY_OK, '='},   {KEY_RECORD, '\b'},
};

const char* const calc_help[] = {
    " TovakRC Calculator", " 0 .. 9:   Ziffern", " Recall: Komma/Exponent", " Cursor: + - * /",
    " Ok: Resultat",       " Rec: Backspace",    " Exit: Beenden",
};

enum { CALC_WIDTH = 253, CALC_HEIGHT = 182, CALC_LAST_ROW = 5 };

char calc_char(dword key) {
    if (key >= KEY_0 && key <= KEY_9) return static_cast<char>('0' + (key - KEY_0));
    for (const calc_key_row& row : calc_keys)
        if (row.key == key) return row.typed;
    return 0;
}

void calc_print(const char* text, int row) {
    menu_window.column = 0;
    menu_window.row = row * OSD_ROW;
    osd_print(&menu_window, text, 0);
}

} // namespace

void draw_menu(void) {
    osd_init(&menu_window, 220, 390);
    osd_print(&menu_window, __tap_program_name__, -1);
    for (int n = 1; n <= LINES; ++n) {
        char value[16], text[48];
        line_value(n, value, sizeof value);
        snprintf(text, sizeof text, "%s%s", labels[n], value);
        osd_print(&menu_window, text, n == line ? 1 : 0);
    }
    if (menu_window.created) {
        const word region = static_cast<word>(menu_window.region);
        const dword width = static_cast<dword>(menu_window.width);
        // Separators below the title and below the settings lines.
        TAP_Osd_DrawRectangle(region, 0, 0, width, OSD_ROW, 2, COLOR_WHITE);
        TAP_Osd_DrawRectangle(region, 0, 0, width, OSD_ROW * (SETTING_LINES + 1), 2, COLOR_WHITE);
    }
    osd_frame(&menu_window, COLOR_WHITE);
    TAP_Osd_Sync();
}

void menu_idle(void) {
    if (!menu_shown) {
        menu_shown = true;
        oldini = ini;
        TAP_ExitNormal();
        draw_menu();
    }
    if (key) {
        const dword queued = key;
        key = 0;
        menu_key(queued);
    }
}

void show_calc(dword key) {
    if (!key) {
        osd_init(&menu_window, CALC_WIDTH, CALC_HEIGHT);
        for (const char* text : calc_help)
            osd_print(&menu_window, text, 0);
        calc_open(&calc);
        TAP_Osd_Sync();
        return;
    }
    const char c = calc_char(key);
    if (!c) return;
    const calc_typed typed = calc_type(&calc, c);
    if (typed == CALC_IGNORED) return;
    if (!calc.row) {
        // The help gives way to the calculation below the title line.
        const dword below_title = CALC_HEIGHT - static_cast<int>(OSD_ROW);
        TAP_Osd_FillBox(static_cast<word>(menu_window.region), 0, OSD_ROW, CALC_WIDTH, below_title,
                        COLOR_BACK);
        calc.row = 1;
    }
    calc_print(calc.line, calc.row);
    if (typed == CALC_RESULT) {
        calc_print(calc.result, calc.row + 1);
        calc_next(&calc, CALC_LAST_ROW);
    }
    TAP_Osd_Sync();
}

void hd_terminate(void) {
    osd_exit(&alert_window);
    osd_exit(&menu_window);
    if (flags & RUN_MENU) TAP_EnterNormal();
    flags &= ~(RUN_MENU | RUN_SUB);
    menu_shown = false;
    TAP_Exit();
}
