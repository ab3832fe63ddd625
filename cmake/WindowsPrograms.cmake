# Small Windows programs that the Linux build carries along (the one that applies a style
# through Wine's theme service, a test's probe): each a C source needing nothing but the
# Windows API, cross-built with mingw-w64's C compiler where it is installed. Linux only.

# The cross compiler of an architecture (x86_64 or i686) in <var>, or <var>-NOTFOUND.
function(kolv_mingw_compiler var arch)
    find_program(${var} NAMES ${arch}-w64-mingw32-gcc ${arch}-w64-mingw32-gcc-posix
                              ${arch}-w64-mingw32-gcc-win32)
endfunction()

# Builds <output> (a path) from <source> and the C files after SOURCES with the compiler of
# <arch>, a console program with a wide-character main when UNICODE is given, as the target
# <target> of the default build; further arguments are files it depends on. Includes are
# named from the top of the tree. Without the compiler there is no <target>.
function(kolv_windows_program target arch source output)
    cmake_parse_arguments(ARG "UNICODE" "" "SOURCES" ${ARGN})
    kolv_mingw_compiler(KOLV_MINGW_CC_${arch} ${arch})
    if(NOT KOLV_MINGW_CC_${arch})
        return()
    endif()
    set(flags -std=c11 -O2 -Wall -Wextra -Werror -s -I${PROJECT_SOURCE_DIR})
    if(ARG_UNICODE)
        list(APPEND flags -municode)
    endif()
    add_custom_command(OUTPUT ${output}
        COMMAND ${KOLV_MINGW_CC_${arch}} ${flags} -o ${output} ${source} ${ARG_SOURCES}
        DEPENDS ${source} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS}
        COMMENT "Cross-building ${output} for ${arch} Windows" VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
