// MP3 files made by a real encoder (ffmpeg with LAME, or its MPEG layer II encoder) for the
// tests: short sine tones with chosen stream parameters and tags. Each file is encoded once and
// kept in a cache folder that all test processes share.
#pragma once

#include <cstddef>
#include <string>

namespace mp3_samples {

struct tone {
    int sample_rate = 44100;
    int kbps = 64;
    double seconds = 1;
    bool layer2 = false; // MPEG layer II ("mp2"), without tags
    bool info = true;    // LAME's "Info" frame first (at low rates it has a higher bit rate)
    bool tags = false;   // an ID3v2.3 tag in front and an ID3v1.1 tag at the end
    // Tag fields (empty: not set).
    std::string title, artist, album, year, comment, genre;
    int track = 0;
};

// The encoded file; "" when the encoder failed (the failure is reported as a test failure).
std::string encode(const tone& t);
// The same wrapped as a WAV file (RIFF), as ffmpeg writes it; with metadata it carries a
// LIST chunk before its data.
std::string encode_wav(const tone& t, bool metadata);

// An ID3v2.3 tag of exactly `total` bytes (its 10-byte header included): a title frame and
// zero padding.
std::string id3v2_tag(size_t total, const std::string& title);

// The size an ID3v2 tag at the start of bytes gives itself (header included), or 0.
size_t id3v2_size(const std::string& bytes);

} // namespace mp3_samples
