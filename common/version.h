// The resident TAP's name, version and build time as its header sections and its log carry
// them.
#pragma once

#define TOVAK_PROGRAM_NAME "TovakRC v4.92a"
#define TOVAK_VERSION "v4.92a"
#define TOVAK_DESCRIPTION "Receiver Control"
#define TOVAK_BUILD_TIME "Mar  7 2019 18:14:13"
