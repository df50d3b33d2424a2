# Builds the .deb into WORK with CPack (nothing is installed on the system),
# checks that it lists every file users rely on, that its dependencies were
# found, that it carries the licence (LICENSE) in Debian's copyright format
# and its SPDX line in the decoder's header and the CMake package's own
# files, and that the CMake package inside it finds its converter once
# unpacked, which runs and finds its module. Run by CTest as package.deb.
cmake_minimum_required(VERSION 3.25)

include("${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake")

file(REMOVE_RECURSE "${WORK}")
run(${CPACK} --config "${CPACK_CONFIG}" -B "${WORK}")
file(GLOB packages "${WORK}/*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one .deb in ${WORK}, found ${count}: ${packages}")
endif()

set(expected_files
    usr/bin/rasterkit-cli
    usr/${LIBDIR}/rasterkit/librasterkit-cli-gui.so
    usr/include/rasterkit/rasterkit_decode.h
    usr/share/cmake/Rasterkit/RasterkitConfig.cmake
    usr/share/cmake/Rasterkit/RasterkitConfigVersion.cmake
    usr/share/cmake/Rasterkit/RasterkitImages.cmake
    usr/share/cmake/Rasterkit/RasterkitTargets.cmake
    usr/share/applications/rasterkit.desktop
    usr/share/icons/hicolor/16x16/apps/rasterkit.png
    usr/share/icons/hicolor/32x32/apps/rasterkit.png
    usr/share/icons/hicolor/scalable/apps/rasterkit.svg
    usr/share/doc/rasterkit/copyright)
if(WINDOW)
    list(APPEND expected_files usr/bin/rasterkit)
endif()
run(dpkg-deb --contents "${packages}")
set(contents "${output}")
foreach(file IN LISTS expected_files)
    if(NOT contents MATCHES " \\./${file}\n")
        message(SEND_ERROR "the .deb lacks /${file}")
    endif()
endforeach()

# The libraries come from dpkg-shlibdeps, rasterkit-cli's module's included
# (the program itself does not name Qt Gui); the Qt platform plugins are
# named by hand.
run(dpkg-deb --field "${packages}" Depends Recommends Maintainer)
set(fields "${output}")
set(dependencies libc6 libstdc\\+\\+6 libqt6core6 libqt6gui6 libjpeg62-turbo libpng16-16 libgif7 qt6-qpa-plugins)
if(WINDOW)
    list(APPEND dependencies libqt6widgets6)
endif()
foreach(dependency IN LISTS dependencies)
    if(NOT fields MATCHES "Depends: (.*, )?${dependency}( \\([^)]*\\))?(,|\n)")
        message(SEND_ERROR "Depends lacks ${dependency}:\n${fields}")
    endif()
endforeach()
# Qt's Russian translations, for the window's file dialogs.
if(WINDOW AND NOT fields MATCHES "Recommends: (.*, )?qt6-translations-l10n(,|\n)")
    message(SEND_ERROR "Recommends lacks qt6-translations-l10n:\n${fields}")
endif()
if(NOT fields MATCHES "Maintainer: Rasterkit developers <rasterkit@example.org>\n")
    message(SEND_ERROR "unexpected Maintainer:\n${fields}")
endif()

run(dpkg-deb --extract "${packages}" "${WORK}/root")

# The copyright file: its header, the holders of LICENSE, and every line of
# LICENSE's permission notice indented by one space.
file(READ "${WORK}/root/usr/share/doc/rasterkit/copyright" copyright)
file(READ "${LICENSE}" licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" holders "${licence}")
set(header "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\nUpstream-Name: Rasterkit\n")
string(FIND "${copyright}" "${header}" at_start)
string(FIND "${copyright}" "\nFiles: *\nCopyright: ${CMAKE_MATCH_1}\nLicense: MIT\n" stanza)
if(NOT at_start EQUAL 0 OR stanza EQUAL -1)
    message(SEND_ERROR "the copyright file lacks its header or the MIT stanza for \"${CMAKE_MATCH_1}\":\n${copyright}")
endif()
string(FIND "${licence}" "Permission is hereby granted" notice_start)
string(SUBSTRING "${licence}" ${notice_start} -1 notice)
string(REGEX MATCHALL "[^\n]+" notice_lines "${notice}")
foreach(line IN LISTS notice_lines)
    string(FIND "${copyright}" "\n ${line}\n" found)
    if(found EQUAL -1)
        message(SEND_ERROR "the copyright file lacks the licence's line \"${line}\"")
    endif()
endforeach()
file(GLOB package_files "${WORK}/root/usr/share/cmake/Rasterkit/*.cmake")
foreach(file IN ITEMS "${WORK}/root/usr/include/rasterkit/rasterkit_decode.h" ${package_files})
    file(STRINGS "${file}" first_line LIMIT_COUNT 1)
    if(NOT first_line MATCHES "SPDX-License-Identifier: MIT")
        message(SEND_ERROR "${file} does not start with the licence's SPDX line: ${first_line}")
    endif()
endforeach()

# Unpacked anywhere, the CMake package points at its own converter, which runs.
file(WRITE "${WORK}/consumer/CMakeLists.txt" [[
cmake_minimum_required(VERSION 3.20)
project(Consumer LANGUAGES NONE)
find_package(Rasterkit 9 REQUIRED)
get_target_property(cli Rasterkit::rasterkit-cli LOCATION)
message(STATUS "converter: ${cli}")
]])
run(${CMAKE_COMMAND} -S "${WORK}/consumer" -B "${WORK}/consumer/build" "-DCMAKE_PREFIX_PATH=${WORK}/root/usr")
if(NOT output MATCHES "converter: ${WORK}/root/usr/bin/rasterkit-cli\n")
    message(FATAL_ERROR "the unpacked package does not point at its own rasterkit-cli:\n${output}")
endif()
run("${WORK}/root/usr/bin/rasterkit-cli" --version)
# and finds its module beside it, for the pictures that are not JPEG.
run("${WORK}/root/usr/bin/rasterkit-cli" convert "${DATA}/known.bmp" -o "${WORK}/known.raw" -q)
