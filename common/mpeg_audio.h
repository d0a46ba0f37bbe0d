// MPEG audio frame headers (layers I to III of MPEG 1, 2 and 2.5): the four header bytes, their
// checks and what they say (bit rate, sample rate, samples and bytes of the frame). Used by the
// MP3 information reader of the TAP and by the emulator, which plays MP3 files in virtual time.
#pragma once

#include <stdint.h>

struct mpeg_frame {
    int version;      // 1, 2, or 25 for MPEG 2.5
    int layer;        // 1 ... 3
    int bitrate_kbps; // 0: free format
    int sample_rate;  // Hz
    int samples;      // per frame
    int bytes;        // of the whole frame, header included; 0 for free format
};

// Decodes a frame header. False when it is none: a first byte other than 0xFF, a second byte
// below 0xE0 (sync), layer bits 0, version bits 01, sample-rate index 3, bit-rate index 15 or
// emphasis 2 (all "reserved").
inline bool mpeg_frame_decode(const uint8_t* h, mpeg_frame* f) {
    // Bit rates in kbit/s by bit-rate index: MPEG 1 layers I, II, III; MPEG 2 and 2.5 layer I;
    // MPEG 2 and 2.5 layers II and III.
    static const uint16_t bitrates[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    };
    // Sample rates of MPEG 1 by index; MPEG 2 has half of them, MPEG 2.5 a quarter.
    static const uint16_t rates[3] = {44100, 48000, 32000};
    if (h[0] != 0xFF || h[1] < 0xE0) return false;
    const int version_bits = h[1] >> 3 & 3, layer_bits = h[1] >> 1 & 3;
    const int bitrate_index = h[2] >> 4, rate_index = h[2] >> 2 & 3;
    if (layer_bits == 0 || version_bits == 1 || rate_index == 3 || bitrate_index == 15 ||
        (h[3] & 3) == 2)
        return false;
    f->version = version_bits == 3 ? 1 : version_bits == 2 ? 2 : 25;
    f->layer = 4 - layer_bits;
    const int table = f->version == 1 ? f->layer - 1 : f->layer == 1 ? 3 : 4;
    f->bitrate_kbps = bitrates[table][bitrate_index];
    f->sample_rate = rates[rate_index] >> (f->version == 1 ? 0 : f->version == 2 ? 1 : 2);
    f->samples = f->layer == 1 ? 384 : f->layer == 3 && f->version != 1 ? 576 : 1152;
    const int padding = h[2] >> 1 & 1;
    if (f->bitrate_kbps == 0)
        f->bytes = 0;
    else if (f->layer == 1)
        f->bytes = (12 * 1000 * f->bitrate_kbps / f->sample_rate + padding) * 4;
    else
        f->bytes = f->samples / 8 * 1000 * f->bitrate_kbps / f->sample_rate + padding;
    return true;
}
