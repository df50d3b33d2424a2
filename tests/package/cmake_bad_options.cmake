# Each row calls rasterkit_add_images() with one thing wrong; the configure
# step must stop with the row's message (compared with spaces and line breaks
# folded, as CMake wraps long messages). The rows of tests/data/bad-options.tsv
# are option values rasterkit-cli convert refuses: the function passes them
# on, and the converter's own message must stop it. The rows here are the
# function's own checks and pictures that cannot be converted. Run by CTest
# as package.cmake_bad_options.
cmake_minimum_required(VERSION 3.25)

set(good "FORMAT 0 WIDTH 8 HEIGHT 8")
set(picture "${DATA}/small.bmp")
# Arguments after the target name | the message expected.
set(rows
    "${good}|IMAGES is missing"
    "${good} IMAGES|IMAGES is given without a value"
    "WIDTH 8 HEIGHT 8 IMAGES ${picture}|FORMAT is missing"
    "${good} DEPTH 16 IMAGES ${picture}|unexpected argument \"DEPTH\""
    "${good} IMAGES ${DATA}/known.bmp ${DATA}/known.gif|\"${DATA}/known.bmp\" and \"${DATA}/known.gif\" would both become known.h"
    "${good} IMAGES ${picture} ${DATA}/absent.jpg|Cannot open \"${DATA}/absent.jpg\": the file does not exist."
    "${good} IMAGES ${DATA}|Cannot open \"${DATA}\": it is a folder, not a picture."
)

# The table's options and the keywords they are given as; its switches and
# the flags they are given as.
set(options -f --format -W --width -H --height -s --scale --origin --center --byte-order --filter --dither --c-attribute
    --colour-order --rotate --mirror --threshold --c-type --background --palette --transparent-key)
set(keywords FORMAT FORMAT WIDTH WIDTH HEIGHT HEIGHT SCALE SCALE ORIGIN CENTER BYTE_ORDER FILTER DITHER ATTRIBUTE
    COLOUR_ORDER ROTATE MIRROR THRESHOLD C_TYPE BACKGROUND PALETTE TRANSPARENT_KEY)
set(switches --invert)
set(flags INVERT)
file(STRINGS "${DATA}/bad-options.tsv" table REGEX "^[^#]")
set(table_rows 0)
foreach(line IN LISTS table)
    string(REPLACE "\t" ";" fields "${line}")
    list(POP_FRONT fields name)
    list(POP_BACK fields expected)
    # The required keywords keep good values unless the row sets them.
    set(given FORMAT 0 WIDTH 8 HEIGHT 8)
    set(arguments "")
    while(fields)
        list(POP_FRONT fields option)
        list(FIND switches "${option}" switch)
        if(switch GREATER_EQUAL 0)
            list(GET flags ${switch} flag)
            string(APPEND arguments " ${flag}")
            continue()
        endif()
        list(POP_FRONT fields value)
        list(FIND options "${option}" found)
        if(found EQUAL -1)
            message(FATAL_ERROR "bad-options.tsv, row ${name}: ${option} has no keyword")
        endif()
        list(GET keywords ${found} keyword)
        list(FIND given ${keyword} required)
        if(required GREATER_EQUAL 0)
            list(REMOVE_AT given ${required})
            list(REMOVE_AT given ${required})
        endif()
        string(REPLACE "\\" "\\\\" value "${value}")
        string(REPLACE "\"" "\\\"" value "${value}")
        string(APPEND arguments " ${keyword} \"${value}\"")
    endwhile()
    string(JOIN " " given ${given})
    list(APPEND rows "${given}${arguments} IMAGES ${picture}|${expected}")
    math(EXPR table_rows "${table_rows} + 1")
endforeach()
if(table_rows LESS 20)
    message(FATAL_ERROR "bad-options.tsv holds ${table_rows} rows, expected at least 20")
endif()

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
    string(REGEX REPLACE "[ \n]+" " " expected "${expected}")
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
