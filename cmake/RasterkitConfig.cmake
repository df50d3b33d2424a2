# SPDX-License-Identifier: MIT
#
# find_package(Rasterkit) gives:
#   Rasterkit::rasterkit-cli  the converter, an imported executable;
#   Rasterkit::decode         an interface library that puts rasterkit_decode.h,
#                             the firmware's decoder, on the include path;
#   rasterkit_add_images()    pictures converted to C headers by the build
#                             (see RasterkitImages.cmake beside this file).
# Everything is found relative to this file, so the package works from any
# install prefix, and from a Rasterkit build folder (<build>/cmake/Rasterkit,
# the converter there). The converter runs on the build machine, so the
# package suits cross-compiled firmware too.
if(CMAKE_VERSION VERSION_LESS 3.20)
    set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
    set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE "Rasterkit's CMake package needs CMake 3.20 or newer.")
    return()
endif()

include("${CMAKE_CURRENT_LIST_DIR}/RasterkitTargets.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/RasterkitImages.cmake")
