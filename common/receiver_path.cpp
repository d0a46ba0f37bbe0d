#include "receiver_path.h"

#include <dlfcn.h>
#include <string.h>

namespace {

// The emulator's root folder, or "" on a receiver. Looked up once per loaded TAP.
const char* root_prefix() {
    static const char* root = nullptr;
    if (!root) {
        const char* found = static_cast<const char*>(dlsym(RTLD_DEFAULT, "tapsim_root"));
        root = found ? found : "";
    }
    return root;
}

} // namespace

int path_map(const char* receiver_path, char* out, size_t out_size) {
    if (!out || out_size == 0) return -1;
    out[0] = 0;
    if (!receiver_path) return -1;
    const char* root = receiver_path[0] == '/' ? root_prefix() : "";
    size_t root_len = strlen(root);
    size_t path_len = strlen(receiver_path);
    if (root_len + path_len + 1 > out_size) return -1;
    memcpy(out, root, root_len);
    memcpy(out + root_len, receiver_path, path_len + 1);
    return 0;
}

const char* path_unmap(const char* libc_path) {
    const char* root = root_prefix();
    size_t root_len = strlen(root);
    if (root_len && strncmp(libc_path, root, root_len) == 0 && libc_path[root_len] == '/')
        return libc_path + root_len;
    return libc_path;
}

int shell_quote_append(char* out, size_t out_size, const char* arg) {
    size_t len = strlen(out);
    size_t need = 2; // the quotes
    for (const char* p = arg; *p; ++p)
        need += *p == '\'' ? 4 : 1;
    if (len + need + 1 > out_size) return -1;
    char* w = out + len;
    *w++ = '\'';
    for (const char* p = arg; *p; ++p) {
        if (*p == '\'') {
            memcpy(w, "'\\''", 4); // close, escaped quote, reopen
            w += 4;
        } else {
            *w++ = *p;
        }
    }
    *w++ = '\'';
    *w = 0;
    return 0;
}

shell_line& shell_line::raw(const char* part) {
    if (!size) return *this;
    size_t len = strlen(text), n = strlen(part);
    if (len + n + 1 > size) {
        overflow = true;
        return *this;
    }
    memcpy(text + len, part, n + 1);
    return *this;
}

shell_line& shell_line::word(const char* value) {
    if (size && shell_quote_append(text, size, value ? value : "") != 0) overflow = true;
    return *this;
}

void output_unmap(char* line) {
    const char* root = root_prefix();
    const size_t root_len = strlen(root);
    if (!root_len || !line) return;
    char* found;
    char* from = line;
    while ((found = strstr(from, root)) != nullptr) {
        if (found[root_len] != '/') {
            from = found + 1;
            continue;
        }
        memmove(found, found + root_len, strlen(found + root_len) + 1);
        from = found;
    }
}
