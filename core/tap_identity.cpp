// Header sections of the resident TAP.
#include "common/version.h"
#include "platform/tap_header.h"

TAP_DEFINE_HEADER(TOVAK_PROGRAM_NAME, TOVAK_AUTHOR, TOVAK_DESCRIPTION, TOVAK_BUILD_TIME)
TAP_DEFINE_VERSION(TOVAK_VERSION)
