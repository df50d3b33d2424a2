# rasterkit-cli starts without Qt Gui: neither it nor the libraries it brings
# (X11, OpenGL, EGL, fonts, input) are libraries the program names; its
# module names Qt Gui, which it loads when a run needs it. The program reads
# JPEG and PNG pictures itself, through libjpeg-turbo and libpng. Run by
# CTest as cli.linking with READELF, PROGRAM and MODULE set.
cmake_minimum_required(VERSION 3.25)

include("${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake")

if(NOT READELF)
    find_program(READELF readelf REQUIRED)
endif()

# The NEEDED entries of an ELF file, as a list.
function(needed_libraries file into)
    run("${READELF}" --dynamic "${file}")
    string(REGEX MATCHALL "\\(NEEDED\\)[^[]*\\[[^]]+\\]" entries "${output}")
    set(names)
    foreach(entry IN LISTS entries)
        string(REGEX REPLACE ".*\\[([^]]+)\\]" "\\1" name "${entry}")
        list(APPEND names "${name}")
    endforeach()
    set(${into} "${names}" PARENT_SCOPE)
endfunction()

set(gui_libraries "^lib(Qt6Gui|Qt6Widgets|Qt6OpenGL|X11|xcb|xkbcommon|EGL|GL|GLX|OpenGL|fontconfig|freetype|harfbuzz|dbus-1)\\.so")

needed_libraries("${PROGRAM}" program)
foreach(library IN ITEMS Qt6Core jpeg png16)
    if(NOT program MATCHES "lib${library}\\.so")
        message(FATAL_ERROR "${PROGRAM} does not name lib${library}; its libraries: ${program}")
    endif()
endforeach()
foreach(name IN LISTS program)
    if(name MATCHES "${gui_libraries}")
        message(SEND_ERROR "${PROGRAM} names ${name}, which only some runs need: it belongs in the module")
    endif()
endforeach()

needed_libraries("${MODULE}" module)
if(NOT module MATCHES "libQt6Gui\\.so")
    message(FATAL_ERROR "${MODULE} does not name Qt Gui; its libraries: ${module}")
endif()
