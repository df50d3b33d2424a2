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
# converter already built when they are configured.
set(package_folder ${PROJECT_BINARY_DIR}/cmake/Rasterkit)
configure_file(${CMAKE_CURRENT_LIST_DIR}/RasterkitConfig.cmake ${package_folder}/RasterkitConfig.cmake COPYONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/RasterkitImages.cmake ${package_folder}/RasterkitImages.cmake COPYONLY)
# ARCH_INDEPENDENT: firmware projects cross-compile for another processor, yet
# run the converter on the build machine.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/CMakeFiles/RasterkitConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion
    ARCH_INDEPENDENT)
configure_file(${PROJECT_BINARY_DIR}/CMakeFiles/RasterkitConfigVersion.cmake
    ${package_folder}/RasterkitConfigVersion.cmake COPYONLY)
export(EXPORT RasterkitTargets
    NAMESPACE Rasterkit::
    FILE ${package_folder}/RasterkitTargets.cmake)

install(EXPORT RasterkitTargets
    NAMESPACE Rasterkit::
    DESTINATION ${RASTERKIT_CMAKE_PACKAGE_DIR})
install(FILES
    ${package_folder}/RasterkitConfig.cmake
    ${package_folder}/RasterkitImages.cmake
    ${package_folder}/RasterkitConfigVersion.cmake
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
include(CPack)
