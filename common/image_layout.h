// The TAP's own image as the linker laid it out, for the diagnostics pages: the start of its
// code, data and zeroed data and its end. On the receiver these are the linker's symbols
// "_ftext", "_fdata", "_fbss" and "_end"; in the PC build the nearest equivalents: the start of
// the object, the end of its code, the start of its zeroed data, its end. Weak: a program that
// lacks one sees null.
#pragma once

#define IMAGE_LAYOUT_SYMBOL(name) extern "C" __attribute__((weak, visibility("hidden"))) char name[]
#if defined(__mips__)
IMAGE_LAYOUT_SYMBOL(_ftext);
IMAGE_LAYOUT_SYMBOL(_etext);
IMAGE_LAYOUT_SYMBOL(_fdata);
IMAGE_LAYOUT_SYMBOL(_fbss);
IMAGE_LAYOUT_SYMBOL(_end);
#define IMAGE_TEXT _ftext
#define IMAGE_DATA _fdata
#define IMAGE_BSS _fbss
#else
IMAGE_LAYOUT_SYMBOL(__ehdr_start);
IMAGE_LAYOUT_SYMBOL(_etext);
IMAGE_LAYOUT_SYMBOL(__bss_start);
IMAGE_LAYOUT_SYMBOL(_end);
#define IMAGE_TEXT __ehdr_start
#define IMAGE_DATA _etext
#define IMAGE_BSS __bss_start
#endif
#define IMAGE_CODE_END _etext
#define IMAGE_END _end

// The global pointer and the global offset table it points into (MIPS: 0x7FF0 behind its
// start); 0 where the build has no global pointer.
inline unsigned long image_gp(void) {
    unsigned long gp = 0;
#if defined(__mips__)
    asm("move %0, $gp" : "=r"(gp));
#endif
    return gp;
}
inline unsigned long image_got(void) {
    const unsigned long gp = image_gp();
    return gp ? gp - 0x7FF0 : 0;
}
