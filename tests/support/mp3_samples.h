// MP3 files made by a real encoder (ffmpeg, see emu/tone.h) for the tests: short sine tones
// with chosen stream parameters and tags. Each file is encoded once and kept in a cache folder
// that all test processes share.
#pragma once

#include <cstddef>
#include <string>

#include "tone.h"

namespace mp3_samples {

using tapsim::tone;

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
