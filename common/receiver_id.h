// What both TAPs read to name the receiver they run on: the firmware's version text (through
// its own version function) and build text (from its code image), the network interface that
// has a hardware address, and the compact device identifier made of them.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The firmware's version text: set_appl_ver (Appl_SetApplVer) called with a null argument
// writes it into out_buffer (_osdOutBuf), whose first byte is cleared before; up to 30
// characters go to text. Either address null: text stays as it is. Returns the length copied.
size_t fw_version_read(void* set_appl_ver, char* out_buffer, char* text, size_t size);

// The build text of the firmware's code image between start and end (the symbols _ftext and
// _fdata): the text 12 bytes behind the NUL-terminated format "v%d.%d.%d" that begins on a word
// boundary, up to its NUL, the image's end or size - 1 bytes. False (text untouched) when
// either bound is missing or nothing is found.
bool fw_build_scan(const char* start, const char* end, char* text, size_t size);

// The hardware address's fold ((b0^b1) << 16 | (b2^b3) << 8 | (b4^b5)).
uint32_t mac_fold(const uint8_t mac[6]);

// The network interfaces (SIOCGIFCONF with 200 bytes of records): each one's address goes to
// ip (so without a hardware address the last one examined stays); the first with a hardware
// address that is not all zero gives mac ("%02x:...") and its fold, and ends the search.
// Returns the fold, 0 when no interface has a hardware address (mac then stays as it is).
uint32_t net_hw_interface(char* ip, size_t ip_size, char* mac, size_t mac_size);

// "%s-%d-" of the firmware version and the system ID, then n in base 36 (0-9, A-Z), least
// significant digit first, n = (((fold >> 4) ^ fold) & 0xFFFFF) * 1296 + total_mb / 10240;
// n = 0 adds no digit.
void device_identifier(char* out, size_t size, const char* firmware, long system_id, uint32_t fold,
                       uint32_t total_mb);
