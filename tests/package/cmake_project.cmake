# Builds project/ against the installed package in PREFIX and runs its check,
# then checks what a second build converts: nothing when nothing changed, the
# splash pictures alone when their BYTE_ORDER changes, the icon alone when its
# picture changes, the indexed picture alone when its PALETTE changes. With arm-none-eabi-gcc on the machine it also cross-compiles
# the project for a Cortex-M0, converting on the build machine.
# Run by CTest as package.cmake_project.
cmake_minimum_required(VERSION 3.25)

set(build "${WORK}/build")
set(cli "${PREFIX}/bin/rasterkit-cli")

include("${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake")

# What rasterkit-cli writes for the project's pictures, made here directly.
function(make_references byte_order)
    set(folder "${WORK}/reference-${byte_order}")
    file(MAKE_DIRECTORY "${folder}")
    set(splash -f 1 -W 40 -H 30 --center 60,40 --byte-order ${byte_order} -q)
    run(${cli} convert "${DATA}/photo.jpg" -o "${folder}/photo.raw" ${splash})
    run(${cli} convert "${DATA}/flat-white.gif" -o "${folder}/flat_white.raw" ${splash})
    run(${cli} convert "${DATA}/known.bmp" -o "${folder}/_8_bit.raw" -f 7 -W 16 -H 12 -s 0.5 --origin 1,2 -q)
    run(${cli} convert "${DATA}/known.gif" -o "${folder}/int_.raw" -f 5 -W 8 -H 6 -s 2 --filter box --dither diffusion -q)
    run(${cli} convert "${DATA}/small.bmp" -o "${folder}/small.raw" -f mono -W 13 -H 9 --origin -3,-2 --threshold 100
        --invert -q)
    run(${cli} convert "${DATA}/transparent.gif" -o "${folder}/transparent.raw" -f rgb565 -W 10 -H 6 --rotate 90
        --mirror horizontal --colour-order bgr -q)
    run(${cli} convert "${DATA}/known.bmp" -o "${folder}/known.raw" -f i4 -W 20 -H 15 -s 2 --dither diffusion
        --byte-order little --palette "${DATA}/known.gif" -q)
endfunction()

# Builds and checks that exactly the headers named were converted.
function(build_converting)
    run(${CMAKE_COMMAND} --build "${build}")
    foreach(header IN ITEMS photo.h flat_white.h _8_bit.h int_.h small.h transparent.h known.h)
        string(FIND "${output}" " to ${header}" found)
        if(header IN_LIST ARGN AND found EQUAL -1)
            message(FATAL_ERROR "${header} was not converted again:\n${output}")
        elseif(NOT header IN_LIST ARGN AND NOT found EQUAL -1)
            message(FATAL_ERROR "${header} was converted again though nothing it depends on changed:\n${output}")
        endif()
    endforeach()
endfunction()

file(REMOVE_RECURSE "${WORK}")
make_references(big)
make_references(little)

run(${CMAKE_COMMAND} -S "${SOURCE}" -B "${build}" -G "${GENERATOR}" "-DCMAKE_C_COMPILER=${C_COMPILER}"
    "-DCMAKE_PREFIX_PATH=${PREFIX}" "-DPICTURES_DATA=${DATA}")
build_converting(photo.h flat_white.h _8_bit.h int_.h small.h transparent.h known.h)
run("${build}/check_pictures" "${WORK}/reference-big")
build_converting()

run(${CMAKE_COMMAND} -D PICTURES_BYTE_ORDER=little "${build}")
build_converting(photo.h flat_white.h)
run("${build}/check_pictures" "${WORK}/reference-little")

file(TOUCH "${build}/8 bit.bmp")
build_converting(_8_bit.h)

file(TOUCH "${build}/palette.gif")
build_converting(known.h)

find_program(ARM_GCC arm-none-eabi-gcc)
if(ARM_GCC)
    # As firmware toolchain files do: search packages only under the device's
    # root, so the package is named by Rasterkit_DIR.
    file(WRITE "${WORK}/cortex-m0.cmake"
        "set(CMAKE_SYSTEM_NAME Generic)\n"
        "set(CMAKE_SYSTEM_PROCESSOR arm)\n"
        "set(CMAKE_C_COMPILER \"${ARM_GCC}\")\n"
        "set(CMAKE_C_FLAGS_INIT \"-mcpu=cortex-m0 -mthumb -Os\")\n"
        "set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)\n"
        "set(CMAKE_FIND_ROOT_PATH /usr/lib/arm-none-eabi)\n"
        "set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)\n"
        "set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)\n")
    run(${CMAKE_COMMAND} -S "${SOURCE}" -B "${WORK}/cortex-m0" -G "${GENERATOR}"
        "-DCMAKE_TOOLCHAIN_FILE=${WORK}/cortex-m0.cmake"
        "-DRasterkit_DIR=${PREFIX}/share/cmake/Rasterkit" "-DPICTURES_DATA=${DATA}")
    run(${CMAKE_COMMAND} --build "${WORK}/cortex-m0")
else()
    message(STATUS "arm-none-eabi-gcc not found: the cross-compiled build is not checked")
endif()
