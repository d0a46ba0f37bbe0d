# The receiver build's libraries: Debian's mipsel packages unpacked into a folder of the build
# by tools/mipsel_sysroot.sh (tools/build.sh runs it). Their static archives are linked into
# the programs, so the MIPS emulator needs no mipsel libraries besides the C and C++ ones.
set(TOVAK_MIPSEL_SYSROOT ${CMAKE_SOURCE_DIR}/build/sysroot-mipsel
    CACHE PATH "Debian's mipsel development packages unpacked (tools/mipsel_sysroot.sh)")
set(root ${TOVAK_MIPSEL_SYSROOT}/usr)
if(NOT EXISTS ${TOVAK_MIPSEL_SYSROOT}/.packages)
    message(FATAL_ERROR "no mipsel libraries in ${TOVAK_MIPSEL_SYSROOT}: "
                        "run tools/mipsel_sysroot.sh ${TOVAK_MIPSEL_SYSROOT}")
endif()

# name, archive, include folders, libraries it needs
function(tovak_mipsel_archive name archive includes needs)
    add_library(${name} STATIC IMPORTED GLOBAL)
    set_target_properties(${name} PROPERTIES
        IMPORTED_LOCATION ${root}/lib/mipsel-linux-gnu/${archive}
        INTERFACE_INCLUDE_DIRECTORIES "${includes}"
        INTERFACE_LINK_LIBRARIES "${needs}")
endfunction()
tovak_mipsel_archive(tovak_mipsel_zlib libz.a ${root}/include "")
tovak_mipsel_archive(tovak_mipsel_png libpng16.a ${root}/include "tovak_mipsel_zlib;m")
tovak_mipsel_archive(tovak_mipsel_brotlicommon libbrotlicommon.a ${root}/include "")
tovak_mipsel_archive(tovak_mipsel_brotlidec libbrotlidec.a ${root}/include tovak_mipsel_brotlicommon)
tovak_mipsel_archive(tovak_mipsel_freetype libfreetype.a ${root}/include/freetype2
                     "tovak_mipsel_brotlidec;tovak_mipsel_png")
tovak_mipsel_archive(tovak_mipsel_jpeg libjpeg.a "${root}/include;${root}/include/mipsel-linux-gnu" "")

# The helper programs the TAP runs on the receiver: MIPS32 release 1 code, linked statically
# against the release 1 libraries of receiver/ (musl, zlib, libpng, GIFLIB), with the C++
# headers but without the C++ run time (its few pieces are in gifconv/receiver_runtime.cpp).
set(receiver ${TOVAK_MIPSEL_SYSROOT}/receiver)
execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=include
                OUTPUT_VARIABLE gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_C_COMPILER} -print-libgcc-file-name
                OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
set(TOVAK_RECEIVER_COMPILE_OPTIONS -march=mips32 -nostdinc -fno-exceptions -fno-rtti
    -fno-stack-protector -U_FORTIFY_SOURCE)
foreach(dir ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
    if(dir MATCHES "/c\\+\\+/")
        list(APPEND TOVAK_RECEIVER_COMPILE_OPTIONS -isystem${dir})
    endif()
endforeach()
list(APPEND TOVAK_RECEIVER_COMPILE_OPTIONS -isystem${receiver}/include -isystem${gcc_include})
add_library(tovak_receiver_libc INTERFACE IMPORTED GLOBAL)
set_target_properties(tovak_receiver_libc PROPERTIES
    INTERFACE_LINK_LIBRARIES "${receiver}/lib/libc.a;${libgcc};${receiver}/lib/crtn.o")
foreach(lib z png16 gif)
    add_library(tovak_receiver_${lib} STATIC IMPORTED GLOBAL)
    set_target_properties(tovak_receiver_${lib} PROPERTIES
        IMPORTED_LOCATION ${receiver}/lib/lib${lib}.a)
endforeach()
set_target_properties(tovak_receiver_png16 PROPERTIES INTERFACE_LINK_LIBRARIES tovak_receiver_z)

# A helper program for the receiver: compiled with TOVAK_RECEIVER_COMPILE_OPTIONS (so are the
# libraries it links), static, with musl's start files and C library last; checked to be
# release 1 code after linking.
function(tovak_receiver_program target)
    target_link_options(${target} PRIVATE -static -nostdlib ${receiver}/lib/crt1.o
                        ${receiver}/lib/crti.o)
    target_link_libraries(${target} PRIVATE tovak_receiver_libc)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_SOURCE_DIR}/tools/check_release1.sh --thread-pointer
                $<TARGET_FILE:${target}> ${TOVAK_READELF} ${TOVAK_OBJDUMP}
        VERBATIM)
endfunction()
