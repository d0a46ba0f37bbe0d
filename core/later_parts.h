// Steps of the start-up and the termination whose work belongs to other subsystems. Each is
// called where the TAP's life cycle needs it; its body arrives with the subsystem that owns it
// (which then replaces the definition in later_parts.cpp).
#pragma once

// System and model detection: model name, /proc values, firmware version, network.
void system_detect(void);
// The copy queue's stop request: the file being copied is given up, the queue emptied.
void copy_queue_stop(void);
// The file browser's part of the termination: the listed names, the history, the marks and the
// recording header buffer are given back before the entry table goes.
void browser_stop(void);
