# TAP code: no exceptions, no RTTI, no thread-safe statics, no fortified libc calls, and no
# C++ runtime: a TAP links only against the TAP API (libtap.so) and the C library. The
# receiver's TAPs are MIPS32 release 1 code, which every receiver runs.
set(TOVAK_TAP_FLAGS -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-stack-protector
    -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=0 -fPIC -fvisibility=hidden)
if(TOVAK_MIPSEL)
    list(APPEND TOVAK_TAP_FLAGS -mips32)
endif()

# libtap.so and the link to the host's C library under the receiver's name "libc.so.0" lie in
# lib/ of the build folder, which is on the library search path of every program that loads
# TAPs; the C library stub TAPs link against lies in stub/.
set(TOVAK_LIB_DIR ${CMAKE_BINARY_DIR}/lib)
set(TOVAK_STUB_DIR ${CMAKE_BINARY_DIR}/stub)
# tools/tap_prepare.cpp built for the build machine, which prepares the receiver build's TAPs
# (tools/CMakeLists.txt).
set(TOVAK_HOST_TAP_PREPARE ${CMAKE_BINARY_DIR}/host_tools/tap_prepare)

# Library of TAP code (linked into a TAP and into the unit tests).
function(tovak_tap_library name)
    add_library(${name} STATIC ${ARGN})
    target_compile_options(${name} PRIVATE ${TOVAK_TAP_FLAGS})
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libc.so.6
                OUTPUT_VARIABLE TOVAK_LIBC OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REAL_PATH ${TOVAK_LIBC} TOVAK_LIBC)
find_program(TOVAK_READELF NAMES ${CMAKE_READELF} readelf REQUIRED)
find_program(TOVAK_OBJDUMP NAMES ${CMAKE_OBJDUMP} objdump REQUIRED)

# tovak_add_tap(target file_name [PROGRAM_VERSION] SOURCES ... LIBS ...): a TAP named
# file_name, linked as the receiver's TAPs are: shared, without start files, against libtap.so
# (needed as "libtap.so") and the C library stub ("libc.so.0"), with __TAP_Init_ of
# libtap/tap_init.cpp. PROGRAM_VERSION: the TAP carries a ._tap_program_version section.
# Without sanitizers every symbol must resolve at link time, the checks of tools/check_tap.sh
# run after linking, and the receiver build's TAPs are prepared for the receiver
# (tools/tap_prepare.cpp).
function(tovak_add_tap target file_name)
    cmake_parse_arguments(T "PROGRAM_VERSION" "" "SOURCES;LIBS" ${ARGN})
    add_library(${target} MODULE ${T_SOURCES})
    target_compile_options(${target} PRIVATE ${TOVAK_TAP_FLAGS})
    target_link_libraries(${target} PRIVATE tovak_tap_init)
    # The libraries in link order, top-down (TOVAK_LINK_ORDER): one pass of the linker suffices.
    target_link_libraries(${target} PRIVATE ${T_LIBS})
    # Both libraries are needed even by a TAP that calls no C library function, as the
    # receiver's TAPs do.
    target_link_options(${target} PRIVATE -nostdlib -Wl,--no-as-needed -L${TOVAK_LIB_DIR})
    target_link_libraries(${target} PRIVATE -ltap c_stub)
    if(NOT TOVAK_MIPSEL)
        target_link_libraries(${target} PRIVATE gcc) # the PC's own helpers (static)
    endif()
    add_dependencies(${target} tap)
    set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME ${file_name}
                          SKIP_BUILD_RPATH ON LINK_DEPENDS ${TOVAK_LIB_DIR}/libtap.so)
    if(NOT TOVAK_SANITIZE)
        target_link_options(${target} PRIVATE -Wl,--no-undefined)
        set(check ${CMAKE_SOURCE_DIR}/tools/check_tap.sh)
        if(T_PROGRAM_VERSION)
            list(APPEND check --program-version)
        endif()
        if(TOVAK_MIPSEL)
            list(APPEND check --mips)
        endif()
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${check} $<TARGET_FILE:${target}> ${TOVAK_READELF} ${TOVAK_OBJDUMP}
                    ${TOVAK_LIB_DIR}/libtap.so $<TARGET_FILE:c_stub>
            VERBATIM)
        if(TOVAK_MIPSEL)
            add_dependencies(${target} tap_prepare_host)
            add_custom_command(TARGET ${target} POST_BUILD
                COMMAND ${TOVAK_HOST_TAP_PREPARE} $<TARGET_FILE:${target}>
                VERBATIM)
        endif()
    endif()
endfunction()

# The TAP's libraries from the bottom up. A library calls only those below it, and links them;
# tools/check_layers.sh checks the includes and the symbols against this order.
set(TOVAK_LAYERS tovak_common tovak_recording tovak_osd tovak_image tovak_browser tovak_textview
    tovak_infos tovak_net tovak_epg tovak_core)
# The same from the top down: the order on a link line (the TAP API and the C library follow).
set(TOVAK_LINK_ORDER ${TOVAK_LAYERS})
list(REVERSE TOVAK_LINK_ORDER)

# Links the TAP's libraries into a test program, with libtap.so: the program's one table of the
# TAP API, filled by the first emulator it makes.
function(tovak_link_tap_libs target)
    target_link_libraries(${target} PRIVATE ${TOVAK_LINK_ORDER} tovak_layout_0 tovak_layout_1
                          -L${TOVAK_LIB_DIR} -ltap)
    add_dependencies(${target} tap)
endfunction()
