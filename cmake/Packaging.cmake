# The CMake package (find_package(Rasterkit)) over the targets that
# src/cli (rasterkit-cli) and device/ (rasterkit_decode.h) export, installed
# and in the build folder, then the settings of the .deb, which holds
# everything `cmake --install` puts in place.

include(CMakePackageConfigHelpers)

# Only scripts live in the package folder, so it goes in the architecture-free
# share/ (find_package looks in <prefix>/share/cmake/<name>*/ as well as lib/).
set(RASTERKIT_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_DATADIR}/cmake/Rasterkit)

# The package as it is installed, also in build/cmake/Rasterkit over the
# build's own converter: projects of their own, the example firmware among
# them, use it from there as firmware uses an installed Rasterkit, with the
# converter already built when they are configured. Every file of the
# package starts with the licence's SPDX line.
set(package_folder ${PROJECT_BINARY_DIR}/cmake/Rasterkit)
configure_file(${CMAKE_CURRENT_LIST_DIR}/RasterkitConfig.cmake ${package_folder}/RasterkitConfig.cmake COPYONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/RasterkitImages.cmake ${package_folder}/RasterkitImages.cmake COPYONLY)
# ARCH_INDEPENDENT: firmware projects cross-compile for another processor, yet
# run the converter on the build machine.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/CMakeFiles/RasterkitConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion
    ARCH_INDEPENDENT)
file(READ ${PROJECT_BINARY_DIR}/CMakeFiles/RasterkitConfigVersion.cmake version_check)
file(CONFIGURE OUTPUT ${package_folder}/RasterkitConfigVersion.cmake
    CONTENT "# SPDX-License-Identifier: MIT\n@version_check@" @ONLY)
export(EXPORT RasterkitTargets
    NAMESPACE Rasterkit::
    FILE ${package_folder}/RasterkitTargets.cmake)

install(EXPORT RasterkitTargets
    NAMESPACE Rasterkit::
    DESTINATION ${RASTERKIT_CMAKE_PACKAGE_DIR})
# The targets files CMake writes get the SPDX line once installed.
install(CODE "set(package_dir \"${RASTERKIT_CMAKE_PACKAGE_DIR}\")")
install(CODE [[
file(GLOB targets_files "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${package_dir}/RasterkitTargets*.cmake")
foreach(targets_file IN LISTS targets_files)
    file(READ "${targets_file}" content)
    if(NOT content MATCHES "^# SPDX-License-Identifier")
        file(WRITE "${targets_file}" "# SPDX-License-Identifier: MIT\n${content}")
    endif()
endforeach()
]])
install(FILES
    ${package_folder}/RasterkitConfig.cmake
    ${package_folder}/RasterkitImages.cmake
    ${package_folder}/RasterkitConfigVersion.cmake
    DESTINATION ${RASTERKIT_CMAKE_PACKAGE_DIR})

# The licence, in Debian's machine-readable copyright format, from LICENSE:
# the copyright line, then the permission notice, each line indented and
# blank lines written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" copyright "${licence}")
set(copyright_holders "${CMAKE_MATCH_1}")
string(FIND "${licence}" "Permission is hereby granted" notice_start)
string(SUBSTRING "${licence}" ${notice_start} -1 notice)
string(STRIP "${notice}" notice)
string(REPLACE "\n\n" "\n.\n" notice "${notice}")
string(REPLACE "\n" "\n " notice " ${notice}")
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/copyright CONTENT [[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Rasterkit
Upstream-Contact: Rasterkit developers <rasterkit@example.org>

Files: *
Copyright: @copyright_holders@
License: MIT
@notice@
]] @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rasterkit)

# The .deb: cpack --config build/CPackConfig.cmake -B build/package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rasterkit)
set(CPACK_PACKAGE_VENDOR "Rasterkit developers")
set(CPACK_PACKAGE_CONTACT "Rasterkit developers <rasterkit@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture to raw pixel file converter for small colour displays")
set(CPACK_PACKAGE_DESCRIPTION
    "Rasterkit turns a JPEG, BMP or GIF picture into a raw pixel file for a small
colour display: a capture frame, eight pixel formats (two plain, six
run-length), a preview, and the bytes with no header.
.
The package holds the window program rasterkit, the headless rasterkit-cli,
the firmware decoder header rasterkit/rasterkit_decode.h and a CMake package
whose rasterkit_add_images() converts pictures into C headers at build time.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The libraries the programs link come from dpkg-shlibdeps (package dpkg-dev);
# Qt's platform plugins are loaded at run time, so the window names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# The window speaks Russian, and so do Qt's own texts in it (the file
# dialogs) when Qt's translations are there; without them they are English.
if(RASTERKIT_BUILD_WINDOW)
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
endif()
include(CPack)
