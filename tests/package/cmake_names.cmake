# The C identifier a picture's header and array are named by, as
# rasterkit_add_images() gets it from `rasterkit-cli convert --check`: one
# table of picture paths, checked in one run over empty files made under
# WORK with those paths (the check reads none). Run by CTest as
# package.cmake_names.
cmake_minimum_required(VERSION 3.25)

# Picture path | header and array name.
set(rows
    "logo.jpg|logo"
    "firmware/pictures/logo.jpg|logo"
    "firmware/pictures.v2/icon.bmp|icon"
    "splash screen.v2.bmp|splash_screen_v2"
    "boot-screen.JPG|boot_screen"
    "8x8.gif|_8x8"
    "8 bit.bmp|_8_bit"
    "int.bmp|int_"
    "class.gif|class_"
    "_Bool.bmp|_Bool_"
    "main.jpg|main_"
    "_Pragma.gif|_Pragma_"
    "Int.bmp|Int"
    "integer.bmp|integer"
    "mainly.jpg|mainly"
    ".hidden.bmp|_hidden"
    "noext|noext"
    "café.gif|caf__")

file(REMOVE_RECURSE "${WORK}")
set(pictures "")
set(expected "")
set(number 0)
foreach(row IN LISTS rows)
    math(EXPR number "${number} + 1")
    string(FIND "${row}" "|" bar)
    string(SUBSTRING "${row}" 0 ${bar} path)
    math(EXPR bar "${bar} + 1")
    string(SUBSTRING "${row}" ${bar} -1 name)
    # Each in a folder of its own: two rows may name the same file.
    file(WRITE "${WORK}/${number}/${path}" "")
    list(APPEND pictures "${WORK}/${number}/${path}")
    list(APPEND expected "${name}")
endforeach()

execute_process(COMMAND "${CLI}" convert --check ${pictures}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "convert --check failed (${result}):\n${errors}")
endif()
string(REGEX MATCHALL "[^\n]+" names "${output}")

set(failures 0)
foreach(row name wanted IN ZIP_LISTS rows names expected)
    if(NOT name STREQUAL wanted)
        message(SEND_ERROR "${row}: got \"${name}\"")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
if(failures)
    message(FATAL_ERROR "${failures} rows failed")
endif()
