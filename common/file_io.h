// Owners of open files, folders and pipes: each closes what it holds when it goes out of scope.
#pragma once

#include <dirent.h>
#include <stdio.h>
#include <unistd.h>

#include "platform/tap_api.h"

struct libc_file {
    FILE* f = nullptr;
    libc_file(const char* path, const char* mode) : f(path ? fopen(path, mode) : nullptr) {}
    ~libc_file() {
        if (f) fclose(f);
    }
    libc_file(const libc_file&) = delete;
    libc_file& operator=(const libc_file&) = delete;
    explicit operator bool() const { return f != nullptr; }
    // Closes now; 0, or EOF when the buffered data could not be written.
    int close() {
        int r = f ? fclose(f) : 0;
        f = nullptr;
        return r;
    }
};

struct file_descriptor {
    int fd = -1;
    explicit file_descriptor(int d) : fd(d) {}
    ~file_descriptor() {
        if (fd >= 0) ::close(fd);
    }
    file_descriptor(const file_descriptor&) = delete;
    file_descriptor& operator=(const file_descriptor&) = delete;
    explicit operator bool() const { return fd >= 0; }
};

// A file of the receiver's disk opened through the TAP API.
struct tap_file {
    TYPE_File* f = nullptr;
    explicit tap_file(TYPE_File* file) : f(file) {}
    ~tap_file() { close(); }
    tap_file(const tap_file&) = delete;
    tap_file& operator=(const tap_file&) = delete;
    explicit operator bool() const { return f != nullptr; }
    void close() {
        if (f) TAP_Hdd_Fclose(f);
        f = nullptr;
    }
};

// A command whose output is read (or whose input is written) through a pipe.
struct libc_pipe {
    FILE* f = nullptr;
    libc_pipe(const char* command, const char* mode)
        : f(command ? popen(command, mode) : nullptr) {}
    ~libc_pipe() { close(); }
    libc_pipe(const libc_pipe&) = delete;
    libc_pipe& operator=(const libc_pipe&) = delete;
    explicit operator bool() const { return f != nullptr; }
    // Closes now and waits for the command; its status as pclose gives it, -1 without one.
    int close() {
        int r = f ? pclose(f) : -1;
        f = nullptr;
        return r;
    }
};

// A folder opened for reading its names.
struct libc_folder {
    DIR* d = nullptr;
    explicit libc_folder(const char* path) : d(path ? opendir(path) : nullptr) {}
    ~libc_folder() {
        if (d) closedir(d);
    }
    libc_folder(const libc_folder&) = delete;
    libc_folder& operator=(const libc_folder&) = delete;
    explicit operator bool() const { return d != nullptr; }
};
