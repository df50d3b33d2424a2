# The CMake package (find_package(Rasterkit)) over the targets that
# src/cli (rasterkit-cli) and device/ (rasterkit_decode.h) export, then the
# settings of the .deb, which holds everything `cmake --install` puts in place.

include(CMakePackageConfigHelpers)

# Only scripts live in the package folder, so it goes in the architecture-free
# share/ (find_package looks in <prefix>/share/cmake/<name>*/ as well as lib/).
set(RASTERKIT_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_DATADIR}/cmake/Rasterkit)

# The same names inside this build as through find_package, so that the
# examples call rasterkit_add_images() as users do.
add_executable(Rasterkit::rasterkit-cli ALIAS rasterkit-cli)
add_library(Rasterkit::decode ALIAS rasterkit_device)
include(${CMAKE_CURRENT_LIST_DIR}/RasterkitImages.cmake)

install(EXPORT RasterkitTargets
    NAMESPACE Rasterkit::
    DESTINATION ${RASTERKIT_CMAKE_PACKAGE_DIR})
# ARCH_INDEPENDENT: firmware projects cross-compile for another processor, yet
# run the converter on the build machine.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/RasterkitConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion
    ARCH_INDEPENDENT)
install(FILES
    ${CMAKE_CURRENT_LIST_DIR}/RasterkitConfig.cmake
    ${CMAKE_CURRENT_LIST_DIR}/RasterkitImages.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/RasterkitConfigVersion.cmake
    DESTINATION ${RASTERKIT_CMAKE_PACKAGE_DIR})

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
