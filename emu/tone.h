// Sine tones encoded by a real encoder (ffmpeg: LAME for MPEG layer III, its own encoder for
// layer II), for the demo disk's music and for the tests' MP3 files.
#pragma once

#include <string>
#include <vector>

namespace tapsim {

struct tone {
    int frequency = 440;
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

// The command line of ffmpeg that writes the tone (mono) into the file `out`.
std::vector<std::string> tone_command(const tone& t, const std::string& out);
// Runs a program found on PATH with the arguments (no shell) and waits for it; true when it
// ended with status 0.
bool run_program(const std::vector<std::string>& argv);

} // namespace tapsim
