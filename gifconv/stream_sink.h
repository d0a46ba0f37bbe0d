// Destination of a raw image stream: standard output in the programs, a counting sink in the
// fuzz target and the tests.
#ifndef TOVAK_GIFCONV_STREAM_SINK_H
#define TOVAK_GIFCONV_STREAM_SINK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct stream_sink {
    // Takes size bytes; returns false when they could not be written.
    bool (*write)(void* context, const std::uint8_t* data, std::size_t size);
    void* context;
};

inline bool sink_write(const stream_sink& sink, const std::uint8_t* data, std::size_t size) {
    return size == 0 || sink.write(sink.context, data, size);
}

// A sink that appends to a stdio stream (context is the FILE*).
inline bool sink_write_file(void* context, const std::uint8_t* data, std::size_t size) {
    return std::fwrite(data, 1, size, static_cast<std::FILE*>(context)) == size;
}

inline stream_sink sink_for_file(std::FILE* file) {
    return stream_sink{sink_write_file, file};
}

#endif
