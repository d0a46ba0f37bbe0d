#include "later_parts.h"

// Not built yet: the system infos.
void system_detect(void) {}

// Not built yet: the copy queue of the file browser.
void copy_queue_stop(void) {}
