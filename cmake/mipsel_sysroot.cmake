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
tovak_mipsel_archive(tovak_mipsel_gif libgif.a ${root}/include "")
