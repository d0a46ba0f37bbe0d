// The pieces of the C++ run time the converters need on the receiver, where they are linked
// against musl without the compiler's C++ library: allocation through malloc, and the
// containers' error paths, which end the program (the programs are built without exceptions).
#include <cstdio>
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
    if (void* p = std::malloc(size ? size : 1)) return p;
    std::fputs("out of memory\n", stderr);
    std::abort();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

// The tag of the allocations that answer nullptr instead of ending the program.
namespace std {
const nothrow_t nothrow{};
}
