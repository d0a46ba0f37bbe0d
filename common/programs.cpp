#include "common/programs.h"

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/memory.h"
#include "common/errors.h"
#include "platform/tap_api.h"
#include "common/receiver_path.h"

namespace {

constexpr char settings_dir[] = "/ProgramFiles/Settings/TovakRC";
char cwd[512];
bool cwd_known;

} // namespace

char* program_path(const char* name) {
    char receiver[512], libc[1024];
    if (snprintf(receiver, sizeof receiver, "/mnt/hd%s/%s", settings_dir, name) >=
            static_cast<int>(sizeof receiver) ||
        path_map(receiver, libc, sizeof libc) != 0)
        return nullptr;
    chmod(libc, 0755);
    if (access(libc, X_OK) != 0) {
        snprintf(receiver, sizeof receiver, "%s/%s", settings_dir, name);
        error_post(ERR_BACKEND_MISSING, receiver);
        return nullptr;
    }
    return str_dup(libc);
}

int tap_folder_change(const char* dir) {
    cwd_known = false;
    if (!dir || strlen(dir) >= sizeof cwd || !TAP_Hdd_ChangeDir(dir)) return -1;
    memcpy(cwd, dir, strlen(dir) + 1);
    cwd_known = true;
    return 0;
}

const char* tap_folder(void) {
    return cwd_known ? cwd : nullptr;
}
