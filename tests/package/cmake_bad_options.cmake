# Each row calls rasterkit_add_images() with one thing wrong; the configure
# step must stop with the row's message (compared with spaces and line breaks
# folded, as CMake wraps long messages). Run by CTest as package.cmake_bad_options.
cmake_minimum_required(VERSION 3.25)

set(good "FORMAT 0 WIDTH 8 HEIGHT 8")
set(picture "${DATA}/small.bmp")
# Arguments after the target name | the message expected.
set(rows
    "FORMAT rgb999 WIDTH 8 HEIGHT 8 IMAGES ${picture}|unknown FORMAT \"rgb999\": expected 0..7"
    "FORMAT 8 WIDTH 8 HEIGHT 8 IMAGES ${picture}|unknown FORMAT \"8\""
    "FORMAT 0 WIDTH eight HEIGHT 8 IMAGES ${picture}|bad WIDTH \"eight\": expected a whole number from 1 to 8192"
    "FORMAT 0 WIDTH 8193 HEIGHT 8 IMAGES ${picture}|bad WIDTH \"8193\""
    "FORMAT 0 WIDTH 8 HEIGHT 0 IMAGES ${picture}|bad HEIGHT \"0\""
    "${good} SCALE 1,5 IMAGES ${picture}|bad SCALE \"1,5\""
    "${good} SCALE 0.05 IMAGES ${picture}|bad SCALE \"0.05\""
    "${good} ORIGIN 0,0 CENTER 4,4 IMAGES ${picture}|ORIGIN and CENTER cannot be used together"
    "${good} ORIGIN 10 IMAGES ${picture}|bad ORIGIN \"10\""
    "${good} ORIGIN 0,9999999999 IMAGES ${picture}|bad ORIGIN \"0,9999999999\""
    "${good} CENTER x,4 IMAGES ${picture}|bad CENTER \"x,4\""
    "${good} BYTE_ORDER middle IMAGES ${picture}|bad BYTE_ORDER \"middle\": expected big or little"
    "${good} FILTER bilinear IMAGES ${picture}|bad FILTER \"bilinear\": expected nearest or box"
    "${good} DITHER Ordered IMAGES ${picture}|bad DITHER \"Ordered\": expected none, ordered or diffusion"
    "${good}|IMAGES is missing"
    "${good} IMAGES|IMAGES is given without a value"
    "WIDTH 8 HEIGHT 8 IMAGES ${picture}|FORMAT is missing"
    "${good} IMAGES ${DATA}/absent.jpg|the picture \"${DATA}/absent.jpg\" does not exist"
    "${good} IMAGES ${DATA}|the picture \"${DATA}\" does not exist or is not a file"
    "${good} IMAGES ${DATA}/known.bmp ${DATA}/known.gif|\"${DATA}/known.bmp\" and \"${DATA}/known.gif\" would both become known.h"
    "${good} DEPTH 16 IMAGES ${picture}|unexpected argument \"DEPTH\""
)

file(REMOVE_RECURSE "${WORK}")
set(failures 0)
set(number 0)
foreach(row IN LISTS rows)
    math(EXPR number "${number} + 1")
    string(FIND "${row}" "|" bar)
    string(SUBSTRING "${row}" 0 ${bar} arguments)
    math(EXPR bar "${bar} + 1")
    string(SUBSTRING "${row}" ${bar} -1 expected)

    set(project "${WORK}/${number}")
    file(WRITE "${project}/CMakeLists.txt"
        "cmake_minimum_required(VERSION 3.25)\n"
        "project(BadOption LANGUAGES NONE)\n"
        "find_package(Rasterkit REQUIRED)\n"
        "rasterkit_add_images(pictures ${arguments})\n")
    execute_process(
        COMMAND ${CMAKE_COMMAND} -S "${project}" -B "${project}/build" "-DCMAKE_PREFIX_PATH=${PREFIX}"
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE errors)
    string(REGEX REPLACE "[ \n]+" " " folded "${errors}")
    string(FIND "${folded}" "rasterkit_add_images(pictures): ${expected}" found)
    if(result EQUAL 0 OR found EQUAL -1)
        message(SEND_ERROR "row ${number} (${arguments}): expected a failed configure saying\n  ${expected}\n"
            "got exit ${result} and:\n${errors}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
if(failures)
    message(FATAL_ERROR "${failures} of ${number} bad calls were not refused as expected")
endif()
message(STATUS "${number} bad calls refused with the expected messages")
