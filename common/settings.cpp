#include "settings.h"

settings_record settings;
