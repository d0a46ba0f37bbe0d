// The "Harddisk Infos" page: for one disk /dev/sda ... /dev/sde its identity (model, serial,
// firmware, capacity), its mounted partitions with size and free space, the disk and CPU load,
// and its SMART attributes with readable names.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "infos/page.h"
#include "osd/window.h"

enum { ATA_BLOCK = 512, SMART_ENTRY = 12 };

// Vendor classes of the SMART names, from the model text (prefixes, tested in this order):
// "Crucial" 6, "SAMSUNG" 3, "ST" 2, "WDC" 1, else 0.
enum { VENDOR_ANY = 0, VENDOR_WDC = 1, VENDOR_SEAGATE = 2, VENDOR_SAMSUNG = 3, VENDOR_CRUCIAL = 6 };
int vendor_class(const char* model);

// The texts of an identification block: serial (20 characters at 20), firmware revision (8 at
// 46), model (40 at 54), each cut to its field and stripped of surrounding blanks; swapped:
// the bytes of each pair exchanged first (ATA word order). Control characters become '?'.
struct disk_identity {
    char serial[21];
    char firmware[9];
    char model[41];
    uint64_t sectors; // 48-bit capacity (64 bits at 200)
};
void identity_parse(const uint8_t block[ATA_BLOCK], bool swapped, disk_identity* id);

// The attributes of a SMART data page, in their order: entries of 12 bytes from byte 2 that lie
// wholly inside the page, up to the first with number 0. The value is raw bytes 5..8 (32 bits),
// byte 5 alone for the temperatures 190 and 194, and raw bytes 5..9 (40 bits) / 1953125 for 241,
// 242 and 246 (sectors to 10^9 bytes).
struct smart_attribute {
    int number;
    uint32_t value;
};
int smart_attributes(const uint8_t page[ATA_BLOCK], smart_attribute* out, int max);

// The name of an attribute for a vendor class: a row of the class is taken at once, a row for
// any disk is taken and the search goes on, a row of another class only while no name is
// known; null when no row has the number.
const char* smart_name(int number, int vendor);

// Works out the page for device letter `next` = 0 ('a'), or 1 (the letter after the current
// one, 'e' followed by 'a'), moving on to the next device while one shows nothing; then draws.
void harddisk_page_prepare(text_page* page, int next);
void harddisk_page(osd_window* win, const text_page* page);
// The device path shown ("/dev/sda").
const char* harddisk_device(void);
