#include "run_stats.h"

run_stats run = {0, 0, 0, 0, 0, 0, 0, 0, 0, -1};
