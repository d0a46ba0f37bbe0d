#include "later_parts.h"

// Not built yet: the system infos.
void system_detect(void) {}
