// TAP key + |< or >| on a paused recording: the firmware cuts away what lies before (|<) or
// after (>|) the pause position, the .nav and .inf are made to match, and playback resumes.
#pragma once

#include "osd/window_open.h"

// The entry of ACTION_TRIM: mode 1 keeps the part after the pause position (|<), mode 0 the
// part before it (>|). Returns 0 when the recording was trimmed, 1 when it was refused or a
// step failed (the user was told which).
dword trim_entry(const window_call& call);
