# Two tables over what rasterkit_add_images() makes of its arguments before it
# runs anything: the C identifier a picture's header and array are named by,
# and the format index a FORMAT value stands for (empty: refused). Run by CTest
# as package.cmake_names, in script mode over the package's own file.
cmake_minimum_required(VERSION 3.25)

include("${IMAGES_MODULE}")

# Picture path | header and array name.
set(name_rows
    "logo.jpg|logo"
    "/firmware/pictures/logo.jpg|logo"
    "/firmware/pictures.v2/icon.bmp|icon"
    "splash screen.v2.bmp|splash_screen_v2"
    "boot-screen.JPG|boot_screen"
    "8x8.gif|_8x8"
    "8 bit.bmp|_8_bit"
    "int.bmp|int_"
    "class.gif|class_"
    "_Bool.bmp|_Bool_"
    "Int.bmp|Int"
    "integer.bmp|integer"
    ".hidden.bmp|_hidden"
    "noext|noext"
    "café.gif|caf__")

# FORMAT value | index.
set(format_rows
    "0|0"
    "7|7"
    "8|"
    "05|"
    "-1|"
    "RGB 5:6:5|0"
    "RGB 5:6:5x8|1"
    "rgb 5:4:4x3|2"
    "RGB 4:4:4X4|3"
    "RGB 3:3:3x7|4"
    "RGB 3:3:2|5"
    "RGB 3:3:2x8|6"
    "Y 5x3|7"
    "rgb565|0"
    "RGB565X8|1"
    "rgb544x3|2"
    "rgb444x4|3"
    "rgb333x7|4"
    "rgb332|5"
    "rgb332x8|6"
    "y5x3|7"
    "RGB 5:6:5 |"
    "rgb 565|"
    "grey|")

set(failures 0)
foreach(table IN ITEMS name format)
    foreach(row IN LISTS ${table}_rows)
        string(FIND "${row}" "|" bar)
        string(SUBSTRING "${row}" 0 ${bar} given)
        math(EXPR bar "${bar} + 1")
        string(SUBSTRING "${row}" ${bar} -1 expected)
        if(table STREQUAL "name")
            _rasterkit_array_name("${given}" actual)
        else()
            _rasterkit_format_index("${given}" actual accepted)
        endif()
        if(NOT actual STREQUAL expected)
            message(SEND_ERROR "${table} of \"${given}\": expected \"${expected}\", got \"${actual}\"")
            math(EXPR failures "${failures} + 1")
        endif()
    endforeach()
endforeach()
if(failures)
    message(FATAL_ERROR "${failures} rows failed")
endif()
