#include "errors.h"

#include "log.h"
#include "memory.h"
#include "settings.h"

namespace {

struct error_text {
    const char* en;
    const char* de;
};
// Latin-1 texts: \xFC ü (strings are split behind each escape).
const error_text error_texts[] = {
    {"Backend file missing, please get update via TAP menu.",
     "Backenddatei fehlt, bitte per Update im TAP-Men\xFC"
     " holen."},
    {"Aux. program failed, please report details to Tovak.",
     "Hilfsprogrammfehler, bitte Details an Tovak melden."},
    {"Server unreachable or internet connection down.",
     "Server nicht erreichbar oder keine Internetverbindung."},
    {"See error message in /tmp directory for this file.", "Siehe Fehlermeldung im /tmp-Verz. f\xFC"
                                                           "r diese Datei."},
    {"Crypted file, operation may take too long time.", "Verschl\xFC"
                                                        "sselte Datei, Vorgang w\xFC"
                                                        "rde zu lang dauern."},
};
constexpr int error_count = sizeof error_texts / sizeof error_texts[0];

const char* pending_message; // a text of error_texts, or null
char* pending_title;         // owned copy

} // namespace

void error_post(int code, const char* title) {
    if (code < 0 || code >= error_count) {
        log_printf("error_post (%d): unknown message", code);
        return;
    }
    pending_message = ui_text(error_texts[code].en, error_texts[code].de);
    mem_free(pending_title);
    pending_title = str_dup(title ? title : ui_text("Error", "Fehler"));
    log_printf("%s: %s", pending_title ? pending_title : "", pending_message);
}

const char* error_pending(void) {
    return pending_message;
}

const char* error_pending_title(void) {
    return pending_title ? pending_title : "";
}

void error_clear(void) {
    pending_message = nullptr;
    mem_free(pending_title);
    pending_title = nullptr;
}
