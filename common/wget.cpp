#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/errors.h"
#include "common/file_io.h"
#include "common/log.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/programs.h"
#include "common/receiver_path.h"

namespace {

enum : int {
    STATUS_EXIT_1 = 1 << 8,       // the user's wget lacks something: the helper tries
    STATUS_NETWORK_DOWN = 4 << 8, // wget's exit code 4
};

// The user's own downloader for plain links, or null.
char* user_wget() {
    char path[1024];
    if (path_map(DISK_MOUNT "/ProgramFiles/wget", path, sizeof path) != 0) return nullptr;
    chmod(path, 0755);
    return access(path, X_OK) == 0 ? str_dup(path) : nullptr;
}

int fetch_with(const char* program, const char* option, const char* url, const char* output,
               int secure) {
    char errors[1024];
    if (path_libc_into(SETTINGS_FOLDER, "wget.stderr", errors, sizeof errors) != 0) return -2;
    size_t url_len = strlen(url) + 16;
    char* full_url = static_cast<char*>(mem_alloc(url_len));
    if (!full_url) return -2;
    mem_block url_owner(full_url);
    snprintf(full_url, url_len, "%s%s", secure ? "https://" : "", url);
    const size_t size = 4 * (strlen(program) + strlen(output) + url_len + strlen(errors)) + 64;
    char* command = static_cast<char*>(mem_alloc(size));
    if (!command) return -2;
    mem_block command_owner(command);
    shell_line line(command, size);
    line.word(program).raw(" ").raw(option).raw(" -t 1 -T 3 -O ").word(output).raw(" ");
    line.word(full_url).raw(" 2>").word(errors);
    if (!line.ok()) return -2;
    const int status = program_run(command);
    if (status == -2) {
        log_printf("%s: '%s' pipe failed", url, program);
        return -2;
    }
    file_touch(output);
    file_touch(errors);
    return status;
}

} // namespace

int program_run(const char* command) {
    libc_pipe pipe(command, "r");
    if (!pipe) return -2;
    char drain[512];
    while (fread(drain, 1, sizeof drain, pipe.f) > 0) {
    }
    return pipe.close();
}

int wget_fetch(const char* url, const char* output, int secure) {
    if (!url || !output) return -1;
    int status = 0;
    bool user = false;
    if (!secure) {
        if (char* own = user_wget()) {
            mem_block own_owner(own);
            user = true;
            status = fetch_with(own, "", url, output, 0);
        }
    }
    if (!user || status == STATUS_EXIT_1) {
        char* helper = program_path("wget.mips");
        if (!helper) return -1;
        mem_block helper_owner(helper);
        status = fetch_with(helper, "--no-check-certificate", url, output, secure);
    }
    if (status == STATUS_NETWORK_DOWN) error_post(ERR_SERVER_UNREACHABLE, nullptr);
    return status;
}
