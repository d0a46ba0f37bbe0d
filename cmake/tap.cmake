# TAP code: no exceptions, no RTTI, no thread-safe statics, no fortified libc calls, and no
# C++ runtime: a TAP links only against the TAP API, libc, libdl and libm.
set(TOVAK_TAP_FLAGS -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-stack-protector
    -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=0 -fPIC -fvisibility=hidden)

# Library of TAP code (linked into a TAP and into the unit tests).
function(tovak_tap_library name)
    add_library(${name} STATIC ${ARGN})
    target_compile_options(${name} PRIVATE ${TOVAK_TAP_FLAGS})
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=crtbeginS.o
                OUTPUT_VARIABLE TOVAK_CRTBEGIN OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=crtendS.o
                OUTPUT_VARIABLE TOVAK_CRTEND OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libc.so.6
                OUTPUT_VARIABLE TOVAK_LIBC OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libm.so.6
                OUTPUT_VARIABLE TOVAK_LIBM OUTPUT_STRIP_TRAILING_WHITESPACE)
find_program(TOVAK_READELF NAMES ${CMAKE_READELF} readelf REQUIRED)

# tovak_add_tap(target file_name SOURCES ... LIBS ...): a TAP shared object named file_name.
# Without sanitizers it is linked without glibc's link-time libraries (no version needs: the
# loader binds libc, libdl and libm by name, as on a receiver with its own C library), and a
# check after linking fails on any undefined symbol outside the TAP API, libc, libdl and libm.
function(tovak_add_tap target file_name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${target} MODULE ${T_SOURCES})
    target_compile_options(${target} PRIVATE ${TOVAK_TAP_FLAGS})
    # Subsystem libraries call each other; the linker rescans them as one group.
    string(REPLACE ";" "," group "${T_LIBS}")
    if(group)
        target_link_libraries(${target} PRIVATE "$<LINK_GROUP:RESCAN,${group}>")
    endif()
    set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME ${file_name})
    if(NOT TOVAK_SANITIZE)
        target_link_options(${target} PRIVATE -nostdlib ${TOVAK_CRTBEGIN})
        target_link_libraries(${target} PRIVATE gcc ${TOVAK_CRTEND})
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_SOURCE_DIR}/tools/check_tap_symbols.sh $<TARGET_FILE:${target}>
                    ${CMAKE_NM} ${TOVAK_READELF} ${CMAKE_SOURCE_DIR}/platform/tap_api.h
                    ${TOVAK_LIBC} ${TOVAK_LIBM}
            VERBATIM)
    endif()
endfunction()

# Links the TAP's subsystem libraries into a test program as one group.
function(tovak_link_tap_libs target)
    string(REPLACE ";" "," group "${ARGN}")
    target_link_libraries(${target} PRIVATE "$<LINK_GROUP:RESCAN,${group}>")
endfunction()
