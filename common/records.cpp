#include "records.h"

#include <string.h>

#include "byte_order.h"

usage_record usage;
key_stats_record key_stats;
position_record position;

namespace {

void put_moment(uint8_t* p, const usage_moment& m) {
    put_le16(p, m.day);
    p[2] = m.hour;
    p[3] = m.minute;
}
usage_moment get_moment(const uint8_t* p) {
    return usage_moment{get_le16(p), p[2], p[3]};
}

} // namespace

void usage_to_bytes(const usage_record& r, uint8_t* out) {
    put_le16(out + 0x00, static_cast<uint16_t>(r.starts));
    put_le16(out + 0x02, r.first_day);
    put_le32(out + 0x04, static_cast<uint32_t>(r.runtime_before));
    put_le16(out + 0x08, static_cast<uint16_t>(r.days));
    put_le16(out + 0x0A, r.current_day);
    put_le32(out + 0x0C, static_cast<uint32_t>(r.runtime_today));
    put_moment(out + 0x10, r.first_key_today);
    put_moment(out + 0x14, r.exit_before_today);
    put_moment(out + 0x18, r.last_exit);
    put_moment(out + 0x1C, r.session_first_key);
    put_le32(out + 0x20, static_cast<uint32_t>(r.key_presses));
    put_le32(out + 0x24, static_cast<uint32_t>(r.keys_passed));
    for (int i = 0; i < USE_COUNTERS; ++i)
        put_le16(out + 0x28 + 2 * i, r.opened[i]);
}

void usage_from_bytes(const uint8_t* in, usage_record* r) {
    r->starts = static_cast<int16_t>(get_le16(in + 0x00));
    r->first_day = get_le16(in + 0x02);
    r->runtime_before = static_cast<int32_t>(get_le32(in + 0x04));
    r->days = static_cast<int16_t>(get_le16(in + 0x08));
    r->current_day = get_le16(in + 0x0A);
    r->runtime_today = static_cast<int32_t>(get_le32(in + 0x0C));
    r->first_key_today = get_moment(in + 0x10);
    r->exit_before_today = get_moment(in + 0x14);
    r->last_exit = get_moment(in + 0x18);
    r->session_first_key = get_moment(in + 0x1C);
    r->key_presses = static_cast<int32_t>(get_le32(in + 0x20));
    r->keys_passed = static_cast<int32_t>(get_le32(in + 0x24));
    for (int i = 0; i < USE_COUNTERS; ++i)
        r->opened[i] = get_le16(in + 0x28 + 2 * i);
}

void key_stats_to_bytes(const key_stats_record& r, uint8_t* out) {
    put_le16(out + 0x00, r.start_day);
    memcpy(out + 0x02, r.unused2, sizeof r.unused2);
    put_le32(out + 0x04, r.total);
    for (int i = 0; i < KEY_STAT_KEYS; ++i)
        put_le32(out + 0x08 + 4 * i, r.counters[i]);
    memcpy(out + 0x188, r.unused188, sizeof r.unused188);
}

void key_stats_from_bytes(const uint8_t* in, key_stats_record* r) {
    r->start_day = get_le16(in + 0x00);
    memcpy(r->unused2, in + 0x02, sizeof r->unused2);
    r->total = get_le32(in + 0x04);
    for (int i = 0; i < KEY_STAT_KEYS; ++i)
        r->counters[i] = get_le32(in + 0x08 + 4 * i);
    memcpy(r->unused188, in + 0x188, sizeof r->unused188);
}

void position_to_bytes(const position_record& r, uint8_t* out) {
    memcpy(out + 0x00, r.country, sizeof r.country);
    memcpy(out + 0x18, r.country_code, sizeof r.country_code);
    memcpy(out + 0x20, r.region, sizeof r.region);
    memcpy(out + 0x38, r.region_code, sizeof r.region_code);
    memcpy(out + 0x40, r.time_zone, sizeof r.time_zone);
    put_le_float(out + 0x60, r.latitude);
    put_le_float(out + 0x64, r.longitude);
    put_le32(out + 0x68, static_cast<uint32_t>(r.query_time));
    out[0x6C] = r.provider;
    out[0x6D] = r.service;
    memcpy(out + 0x6E, r.unused6e, sizeof r.unused6e);
    put_le32(out + 0x70, static_cast<uint32_t>(r.time_checked));
    put_le32(out + 0x74, static_cast<uint32_t>(r.utc_offset));
    memcpy(out + 0x78, r.unused78, sizeof r.unused78);
    memcpy(out + 0x80, r.city, sizeof r.city);
    memcpy(out + 0x98, r.unused98, sizeof r.unused98);
}

void position_from_bytes(const uint8_t* in, position_record* r) {
    memcpy(r->country, in + 0x00, sizeof r->country);
    memcpy(r->country_code, in + 0x18, sizeof r->country_code);
    memcpy(r->region, in + 0x20, sizeof r->region);
    memcpy(r->region_code, in + 0x38, sizeof r->region_code);
    memcpy(r->time_zone, in + 0x40, sizeof r->time_zone);
    r->latitude = get_le_float(in + 0x60);
    r->longitude = get_le_float(in + 0x64);
    r->query_time = static_cast<int32_t>(get_le32(in + 0x68));
    r->provider = in[0x6C];
    r->service = in[0x6D];
    memcpy(r->unused6e, in + 0x6E, sizeof r->unused6e);
    r->time_checked = static_cast<int32_t>(get_le32(in + 0x70));
    r->utc_offset = static_cast<int32_t>(get_le32(in + 0x74));
    memcpy(r->unused78, in + 0x78, sizeof r->unused78);
    memcpy(r->city, in + 0x80, sizeof r->city);
    memcpy(r->unused98, in + 0x98, sizeof r->unused98);
}

void record_text(const char* field, size_t size, char* out, size_t out_size) {
    if (!out_size) return;
    size_t n = strnlen(field, size);
    if (n >= out_size) n = out_size - 1;
    memcpy(out, field, n);
    out[n] = 0;
}
