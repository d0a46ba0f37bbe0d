// Hosts of the outside world the resident TAP asks, in one place: the time server of the
// time-zone check and the two forums whose member figures Infos & Tools shows. Tests and the
// emulator map these names to servers on loopback through their host table.
#pragma once

#define TIME_HOST "pool.ntp.org"            // answers SNTP on UDP port 123
#define FORUM_HOST_EN "forum-en.tovak.test" // an English-language forum about these receivers
#define FORUM_HOST_DE "forum-de.tovak.test" // a German-language one
