# SPDX-License-Identifier: MIT
#
# rasterkit_add_images(): pictures converted to C headers by the project's own
# build.
#
#   rasterkit_add_images(<target>
#       FORMAT <name|index> WIDTH <n> HEIGHT <n> [SCALE <s>]
#       [ORIGIN <left>,<top> | CENTER <x>,<y>] [BYTE_ORDER <order>]
#       [FILTER <filter>] [DITHER <mode>] [BACKGROUND <RRGGBB>]
#       [COLOUR_ORDER <order>] [ROTATE <degrees>] [MIRROR <mirror>]
#       [THRESHOLD <n>] [INVERT] [C_TYPE <type>]
#       [PALETTE <file>] [TRANSPARENT_KEY <RRGGBB>]
#       [ATTRIBUTE <text>]
#       IMAGES <file>...)
#
# Each picture becomes one header made by `rasterkit-cli convert --c-array`,
# named after the picture's file name without its last extension, made into
# a C identifier: "logo.jpg" gives logo.h holding the array logo,
# "splash screen.v2.bmp" gives splash_screen_v2.h and splash_screen_v2,
# "8x8.gif" gives _8x8.h and _8x8, "int.bmp" gives int_.h and int_ (a C or C++
# keyword, main or _Pragma gets a trailing underscore: "main.jpg" gives
# main_). The options are those of the command line, passed on as they are
# given: FORMAT is -f, WIDTH -W, HEIGHT -H, SCALE -s, ORIGIN --origin, CENTER
# --center, BYTE_ORDER --byte-order, FILTER --filter, DITHER --dither,
# BACKGROUND --background, COLOUR_ORDER --colour-order, ROTATE --rotate,
# MIRROR --mirror, THRESHOLD --threshold, INVERT --invert, C_TYPE --c-type,
# PALETTE --palette, TRANSPARENT_KEY --transparent-key and ATTRIBUTE
# --c-attribute; FILTER, DITHER and BACKGROUND default to nearest, none and
# F0F0F0, the window's own sampling, reduction and background. Relative
# picture paths, and the PALETTE file's, are taken from the current source
# folder; every header is made again when the palette file changes, and it
# may be one the build makes. A palette shared by the pictures (rasterkit-cli
# convert --shared-palette) writes one palette for several index-only files,
# which is not this function's one header a picture: give each call the same
# PALETTE instead (a palette.raw that --shared-palette wrote, say), and every
# header holds the same palette before its index rows.
#
# The headers are written to <current binary folder>/rasterkit_images/<target>/
# and made again when a picture, an option or rasterkit-cli itself changes.
# <target> is an interface library: linking it puts that folder and the one
# holding rasterkit_decode.h on the include path, and makes the headers before
# anything that links it is compiled.
#
# A wrong option stops the configure step: `rasterkit-cli convert --check`
# judges the options and finds the pictures, once for the whole call, and
# gives the headers' names; what it refuses is shown in its own words. So
# the converter must exist when the project is configured: it runs the
# imported executable target Rasterkit::rasterkit-cli, and links the interface
# target Rasterkit::decode, which RasterkitConfig.cmake defines before
# including this file.

include_guard(GLOBAL)

# Functions keep the policies in force where they are defined.
cmake_policy(PUSH)
cmake_policy(VERSION 3.20...3.25)

# Sets <output> to the converter's path; stops when there is none to run yet.
function(_rasterkit_converter where output)
    set(imported FALSE)
    if(TARGET Rasterkit::rasterkit-cli)
        get_target_property(imported Rasterkit::rasterkit-cli IMPORTED)
    endif()
    if(NOT imported)
        message(FATAL_ERROR "${where}: the converter Rasterkit::rasterkit-cli must exist when the project is "
            "configured, as it judges the options then: use Rasterkit's package, installed (find_package(Rasterkit)) "
            "or exported by a Rasterkit build folder (-DRasterkit_DIR=<build>/cmake/Rasterkit), from a project that "
            "does not build Rasterkit itself.")
    endif()
    get_target_property(converter Rasterkit::rasterkit-cli LOCATION)
    if(NOT EXISTS "${converter}")
        message(FATAL_ERROR "${where}: the converter \"${converter}\" does not exist: build or install Rasterkit first.")
    endif()
    set(${output} "${converter}" PARENT_SCOPE)
endfunction()

function(rasterkit_add_images target)
    set(where "rasterkit_add_images(${target})")
    # The keywords that take one value, and the options of
    # `rasterkit-cli convert` they are passed on as.
    set(keywords FORMAT WIDTH HEIGHT SCALE ORIGIN CENTER BYTE_ORDER FILTER DITHER ATTRIBUTE
        COLOUR_ORDER ROTATE MIRROR THRESHOLD C_TYPE BACKGROUND PALETTE TRANSPARENT_KEY)
    set(converter_options -f -W -H -s --origin --center --byte-order --filter --dither --c-attribute
        --colour-order --rotate --mirror --threshold --c-type --background --palette --transparent-key)
    # Flags, and the switches of `rasterkit-cli convert` they are passed on as.
    set(flags INVERT)
    set(converter_switches --invert)
    cmake_parse_arguments(PARSE_ARGV 1 arg "${flags}" "${keywords}" "IMAGES")

    if(target STREQUAL "" OR target IN_LIST keywords OR target IN_LIST flags OR target STREQUAL "IMAGES")
        message(FATAL_ERROR "rasterkit_add_images: the first argument names the interface library to create, e.g. rasterkit_add_images(splash FORMAT 0 WIDTH 320 HEIGHT 240 IMAGES logo.jpg).")
    endif()
    if(TARGET ${target})
        message(FATAL_ERROR "${where}: a target named \"${target}\" already exists: choose another name for the pictures' library.")
    endif()
    if(arg_UNPARSED_ARGUMENTS)
        list(GET arg_UNPARSED_ARGUMENTS 0 first)
        string(JOIN ", " listed ${keywords})
        string(JOIN ", " listed ${keywords} ${flags})
        message(FATAL_ERROR "${where}: unexpected argument \"${first}\": the options are ${listed} and IMAGES.")
    endif()
    foreach(keyword IN LISTS arg_KEYWORDS_MISSING_VALUES)
        if(NOT keyword STREQUAL "ATTRIBUTE")
            message(FATAL_ERROR "${where}: ${keyword} is given without a value.")
        endif()
    endforeach()
    foreach(keyword IN ITEMS FORMAT WIDTH HEIGHT IMAGES)
        if(NOT DEFINED arg_${keyword})
            message(FATAL_ERROR "${where}: ${keyword} is missing (FORMAT, WIDTH, HEIGHT and IMAGES are required).")
        endif()
    endforeach()

    # The palette file, absolute; one the build makes is not there yet when
    # the options are checked: an empty stand-in takes its place.
    set(palette "")
    set(checked_palette "")
    set(folder "${CMAKE_CURRENT_BINARY_DIR}/rasterkit_images/${target}")
    if(DEFINED arg_PALETTE AND NOT arg_PALETTE STREQUAL "")
        cmake_path(ABSOLUTE_PATH arg_PALETTE BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE
            OUTPUT_VARIABLE palette)
        set(arg_PALETTE "${palette}")
        set(checked_palette "${palette}")
        get_source_file_property(generated "${palette}" GENERATED)
        if(generated)
            cmake_path(GET palette FILENAME name)
            set(checked_palette "${folder}/generated/palette/${name}")
            file(WRITE "${checked_palette}" "")
        endif()
    endif()

    set(options "")
    set(spelled "")
    foreach(keyword option IN ZIP_LISTS keywords converter_options)
        if(DEFINED arg_${keyword} AND NOT arg_${keyword} STREQUAL "")
            list(APPEND options ${option} "${arg_${keyword}}")
        endif()
        list(APPEND spelled "${keyword} ${option}")
    endforeach()
    foreach(flag switch IN ZIP_LISTS flags converter_switches)
        if(arg_${flag})
            list(APPEND options ${switch})
        endif()
        list(APPEND spelled "${flag} ${switch}")
    endforeach()

    # The pictures, absolute. One the build makes is not there yet: the check
    # is given an empty stand-in of the same file name, which it names as it
    # would the picture (it reads none).
    set(pictures "")
    set(checked "")
    foreach(picture IN LISTS arg_IMAGES)
        cmake_path(ABSOLUTE_PATH picture BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE
            OUTPUT_VARIABLE path)
        get_source_file_property(generated "${path}" GENERATED)
        if(generated)
            cmake_path(GET path FILENAME name)
            list(LENGTH pictures index)
            set(stand_in "${folder}/generated/${index}/${name}")
            file(WRITE "${stand_in}" "")
            list(APPEND checked "${stand_in}")
        else()
            list(APPEND checked "${path}")
        endif()
        list(APPEND pictures "${path}")
    endforeach()

    # The converter judges the options as the conversions will use them, finds
    # every picture and names each header.
    _rasterkit_converter("${where}" converter)
    set(check_options "")
    foreach(option IN LISTS options)
        if(NOT palette STREQUAL "" AND option STREQUAL palette)
            set(option "${checked_palette}")
        endif()
        list(APPEND check_options "${option}")
    endforeach()
    execute_process(COMMAND "${converter}" convert --check ${check_options} ${checked}
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        if(NOT result MATCHES "^[0-9]+$")
            message(FATAL_ERROR "${where}: \"${converter}\" could not be run: ${result}.")
        endif()
        # Its message, without its name in front and its pointer to --help.
        string(REGEX REPLACE "(^|\n)rasterkit-cli: " "\\1" errors "${errors}")
        string(REGEX REPLACE "\nTry '[^\n]*" "" errors "${errors}")
        string(STRIP "${errors}" errors)
        if(result EQUAL 2)
            string(JOIN ", " spelled ${spelled})
            string(APPEND errors "\n(The keywords are options of rasterkit-cli convert: ${spelled}.)")
        endif()
        message(FATAL_ERROR "${where}: ${errors}")
    endif()
    string(REGEX MATCHALL "[^\n]+" names "${output}")
    list(LENGTH names named)
    list(LENGTH pictures count)
    if(NOT named EQUAL count)
        message(FATAL_ERROR "${where}: \"${converter} convert --check\" named ${named} headers for ${count} pictures:\n${output}")
    endif()

    # One header per picture; two pictures may not claim the same name.
    set(seen "")
    foreach(name path IN ZIP_LISTS names pictures)
        list(FIND seen "${name}" taken)
        if(taken GREATER_EQUAL 0)
            list(GET pictures ${taken} other)
            message(FATAL_ERROR "${where}: \"${other}\" and \"${path}\" would both become ${name}.h: rename one of them or convert them in separate calls.")
        endif()
        list(APPEND seen "${name}")
    endforeach()

    # The options, written only when they change. Every header depends on this
    # file, so changing an option converts the pictures again with any
    # generator, not only with those that compare command lines.
    string(JOIN "\n" options_text ${options})
    set(options_file "${folder}/options.txt")
    file(CONFIGURE OUTPUT "${options_file}" CONTENT "@options_text@\n" @ONLY)

    set(headers "")
    foreach(name path IN ZIP_LISTS names pictures)
        set(header "${folder}/${name}.h")
        set(shown "${path}")
        cmake_path(IS_PREFIX CMAKE_SOURCE_DIR "${path}" NORMALIZE inside)
        if(inside)
            cmake_path(RELATIVE_PATH path BASE_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE shown)
        endif()
        add_custom_command(
            OUTPUT "${header}"
            COMMAND Rasterkit::rasterkit-cli convert "${path}" -o "${header}" --c-array ${name} ${options} -q
            DEPENDS "${path}" ${palette} "${options_file}" "$<TARGET_FILE:Rasterkit::rasterkit-cli>"
            COMMENT "Converting ${shown} to ${name}.h"
            VERBATIM)
        list(APPEND headers "${header}")
    endforeach()

    add_custom_target(${target}_convert DEPENDS ${headers})
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${folder}")
    target_link_libraries(${target} INTERFACE Rasterkit::decode)
    # Interface libraries pass their dependencies on to whatever links them.
    add_dependencies(${target} ${target}_convert)
endfunction()

cmake_policy(POP)
