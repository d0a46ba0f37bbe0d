// Two sets of marker objects of every kind the TAP's image holds, one linked first and one
// last, so that the diagnostics page shows where each kind lies and how far it spans.
#pragma once

enum layout_probe_kind {
    PROBE_GLOBAL_CODE,   // a function of external linkage
    PROBE_LOCAL_CODE,    // a function of the file alone
    PROBE_LITERAL,       // a string literal
    PROBE_GLOBAL_STRING, // a string of external linkage
    PROBE_STATIC_STRING, // a string kept in a function
    PROBE_LOCAL_STRING,  // a string of the file alone
    PROBE_LOCAL_DATA,    // zeroed data of the file alone
    PROBE_STATIC_DATA,   // zeroed data kept in a function
    PROBE_GLOBAL_DATA,   // zeroed data of external linkage
    PROBE_INIT_DATA,     // initialised data of external linkage
    PROBE_KINDS
};

// The member of each set (0: linked first, 1: linked last) of a kind, or null.
const void* layout_probe_0(int kind);
const void* layout_probe_1(int kind);
