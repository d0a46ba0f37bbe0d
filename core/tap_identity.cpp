// Header sections of the resident TAP.
#include "platform/tap_header.h"

TAP_DEFINE_HEADER("TovakRC v4.92a", TOVAK_AUTHOR, "Receiver Control", "Mar  7 2019 18:14:13")
TAP_DEFINE_VERSION("v4.92a")
