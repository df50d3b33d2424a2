# rasterkit_add_images(): pictures converted to C headers by the project's own
# build.
#
#   rasterkit_add_images(<target>
#       FORMAT <name|index> WIDTH <n> HEIGHT <n> [SCALE <s>]
#       [ORIGIN <left>,<top> | CENTER <x>,<y>] [BYTE_ORDER big|little]
#       [FILTER nearest|box] [DITHER none|ordered|diffusion]
#       [ATTRIBUTE <text>]
#       IMAGES <file>...)
#
# Each picture becomes one header made by `rasterkit-cli convert --c-array`,
# named after the picture's file name without its last extension, made into
# a C identifier: "logo.jpg" gives logo.h holding the array logo,
# "splash screen.v2.bmp" gives splash_screen_v2.h and splash_screen_v2,
# "8x8.gif" gives _8x8.h and _8x8, "int.bmp" gives int_.h and int_ (a C or C++
# keyword gets a trailing underscore). The options mean what the command
# line's do (FORMAT is -f, SCALE -s, FILTER --filter, DITHER --dither,
# ATTRIBUTE --c-attribute, ...); FILTER and DITHER default to nearest and
# none, the window's own sampling and reduction. Relative
# picture paths are taken from the current source folder.
#
# The headers are written to <current binary folder>/rasterkit_images/<target>/
# and made again when a picture, an option or rasterkit-cli itself changes.
# <target> is an interface library: linking it puts that folder and the one
# holding rasterkit_decode.h on the include path, and makes the headers before
# anything that links it is compiled. A wrong option stops the configure step.
#
# It runs the executable target Rasterkit::rasterkit-cli and links the
# interface target Rasterkit::decode, which RasterkitConfig.cmake (or the
# Rasterkit build itself) defines before including this file.

include_guard(GLOBAL)

# Functions keep the policies in force where they are defined.
cmake_policy(PUSH)
cmake_policy(VERSION 3.20...3.25)

# Sets <output> to the format's index for a name, short name or index (names
# compared without regard to case, as rasterkit-cli does), or to the empty
# string; <accepted> to what is accepted, for messages.
function(_rasterkit_format_index text output accepted)
    set(names "RGB 5:6:5" "RGB 5:6:5x8" "RGB 5:4:4x3" "RGB 4:4:4x4"
        "RGB 3:3:3x7" "RGB 3:3:2" "RGB 3:3:2x8" "Y 5x3")
    set(short_names rgb565 rgb565x8 rgb544x3 rgb444x4 rgb333x7 rgb332 rgb332x8 y5x3)
    set(index "")
    if(text MATCHES "^[0-7]$")
        set(index "${text}")
    else()
        string(TOLOWER "${text}" wanted)
        foreach(list IN ITEMS names short_names)
            string(TOLOWER "${${list}}" lowered)
            list(FIND lowered "${wanted}" found)
            if(found GREATER_EQUAL 0)
                set(index ${found})
                break()
            endif()
        endforeach()
    endif()
    set(${output} "${index}" PARENT_SCOPE)
    string(JOIN "\", \"" names ${names})
    string(JOIN ", " short_names ${short_names})
    set(${accepted} "0..7, a name (\"${names}\") or a short name (${short_names})" PARENT_SCOPE)
endfunction()

# Sets <output> to the C identifier a picture's header and array are named by.
function(_rasterkit_array_name picture output)
    # Words that cannot name an array in C (C99, C11) or C++20.
    set(reserved_words
        auto break case char const continue default do double else enum extern
        float for goto if inline int long register restrict return short signed
        sizeof static struct switch typedef union unsigned void volatile while
        _Alignas _Alignof _Atomic _Bool _Complex _Generic _Imaginary _Noreturn
        _Static_assert _Thread_local
        alignas alignof and and_eq asm bitand bitor bool catch char8_t char16_t
        char32_t class compl concept consteval constexpr constinit const_cast
        co_await co_return co_yield decltype delete dynamic_cast explicit export
        false friend mutable namespace new noexcept not not_eq nullptr operator or
        or_eq private protected public reinterpret_cast requires static_assert
        static_cast template this thread_local throw true try typeid typename using
        virtual wchar_t xor xor_eq)
    cmake_path(GET picture STEM LAST_ONLY stem)
    string(MAKE_C_IDENTIFIER "${stem}" name)
    if(name IN_LIST reserved_words)
        string(APPEND name "_")
    endif()
    set(${output} "${name}" PARENT_SCOPE)
endfunction()

function(rasterkit_add_images target)
    set(where "rasterkit_add_images(${target})")
    cmake_parse_arguments(PARSE_ARGV 1 arg ""
        "FORMAT;WIDTH;HEIGHT;SCALE;ORIGIN;CENTER;BYTE_ORDER;FILTER;DITHER;ATTRIBUTE" "IMAGES")

    if(target STREQUAL "" OR target MATCHES "^(FORMAT|WIDTH|HEIGHT|SCALE|ORIGIN|CENTER|BYTE_ORDER|FILTER|DITHER|ATTRIBUTE|IMAGES)$")
        message(FATAL_ERROR "rasterkit_add_images: the first argument names the interface library to create, e.g. rasterkit_add_images(splash FORMAT 0 WIDTH 320 HEIGHT 240 IMAGES logo.jpg).")
    endif()
    if(TARGET ${target})
        message(FATAL_ERROR "${where}: a target named \"${target}\" already exists: choose another name for the pictures' library.")
    endif()
    if(arg_UNPARSED_ARGUMENTS)
        list(GET arg_UNPARSED_ARGUMENTS 0 first)
        message(FATAL_ERROR "${where}: unexpected argument \"${first}\": the options are FORMAT, WIDTH, HEIGHT, SCALE, ORIGIN, CENTER, BYTE_ORDER, FILTER, DITHER, ATTRIBUTE and IMAGES.")
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

    _rasterkit_format_index("${arg_FORMAT}" format accepted)
    if(format STREQUAL "")
        message(FATAL_ERROR "${where}: unknown FORMAT \"${arg_FORMAT}\": expected ${accepted}.")
    endif()
    set(options -f ${format})

    foreach(size IN ITEMS WIDTH HEIGHT)
        set(value "${arg_${size}}")
        if(NOT value MATCHES "^[0-9]+$" OR value LESS 1 OR value GREATER 8192)
            message(FATAL_ERROR "${where}: bad ${size} \"${value}\": expected a whole number from 1 to 8192.")
        endif()
    endforeach()
    list(APPEND options -W ${arg_WIDTH} -H ${arg_HEIGHT})

    set(decimal "-?([0-9]+|[0-9]*\\.[0-9]+|[0-9]+\\.)")
    if(DEFINED arg_SCALE)
        if(NOT arg_SCALE MATCHES "^${decimal}$" OR arg_SCALE LESS 0.1 OR arg_SCALE GREATER 100)
            message(FATAL_ERROR "${where}: bad SCALE \"${arg_SCALE}\": expected a decimal number from 0.1 to 100 with '.' as the decimal point.")
        endif()
        list(APPEND options -s ${arg_SCALE})
    endif()

    if(DEFINED arg_ORIGIN AND DEFINED arg_CENTER)
        message(FATAL_ERROR "${where}: ORIGIN and CENTER cannot be used together: give either the frame's top-left corner or its centre.")
    endif()
    if(DEFINED arg_ORIGIN)
        if(NOT arg_ORIGIN MATCHES "^(-?[0-9]+),(-?[0-9]+)$"
                OR CMAKE_MATCH_1 LESS -2147483648 OR CMAKE_MATCH_1 GREATER 2147483647
                OR CMAKE_MATCH_2 LESS -2147483648 OR CMAKE_MATCH_2 GREATER 2147483647)
            message(FATAL_ERROR "${where}: bad ORIGIN \"${arg_ORIGIN}\": expected <left>,<top>, two whole numbers, e.g. ORIGIN -20,15.")
        endif()
        list(APPEND options --origin ${arg_ORIGIN})
    endif()
    if(DEFINED arg_CENTER)
        if(NOT arg_CENTER MATCHES "^${decimal},${decimal}$")
            message(FATAL_ERROR "${where}: bad CENTER \"${arg_CENTER}\": expected <x>,<y>, two decimal numbers with '.' as the decimal point, e.g. CENTER 160,120.5.")
        endif()
        list(APPEND options --center ${arg_CENTER})
    endif()

    if(DEFINED arg_BYTE_ORDER)
        if(NOT arg_BYTE_ORDER MATCHES "^(big|little)$")
            message(FATAL_ERROR "${where}: bad BYTE_ORDER \"${arg_BYTE_ORDER}\": expected big or little.")
        endif()
        list(APPEND options --byte-order ${arg_BYTE_ORDER})
    endif()

    if(DEFINED arg_FILTER)
        if(NOT arg_FILTER MATCHES "^(nearest|box)$")
            message(FATAL_ERROR "${where}: bad FILTER \"${arg_FILTER}\": expected nearest or box.")
        endif()
        list(APPEND options --filter ${arg_FILTER})
    endif()
    if(DEFINED arg_DITHER)
        if(NOT arg_DITHER MATCHES "^(none|ordered|diffusion)$")
            message(FATAL_ERROR "${where}: bad DITHER \"${arg_DITHER}\": expected none, ordered or diffusion.")
        endif()
        list(APPEND options --dither ${arg_DITHER})
    endif()

    if(DEFINED arg_ATTRIBUTE AND NOT arg_ATTRIBUTE STREQUAL "")
        list(APPEND options --c-attribute "${arg_ATTRIBUTE}")
    endif()

    # One header per picture; two pictures may not claim the same name.
    set(folder "${CMAKE_CURRENT_BINARY_DIR}/rasterkit_images/${target}")
    set(names "")
    set(pictures "")
    foreach(picture IN LISTS arg_IMAGES)
        cmake_path(ABSOLUTE_PATH picture BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE
            OUTPUT_VARIABLE path)
        get_source_file_property(generated "${path}" GENERATED)
        if(NOT generated AND (NOT EXISTS "${path}" OR IS_DIRECTORY "${path}"))
            message(FATAL_ERROR "${where}: the picture \"${path}\" does not exist or is not a file.")
        endif()
        _rasterkit_array_name("${path}" name)
        list(FIND names "${name}" taken)
        if(taken GREATER_EQUAL 0)
            list(GET pictures ${taken} other)
            message(FATAL_ERROR "${where}: \"${other}\" and \"${path}\" would both become ${name}.h: rename one of them or convert them in separate calls.")
        endif()
        list(APPEND names "${name}")
        list(APPEND pictures "${path}")
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
            DEPENDS "${path}" "${options_file}" "$<TARGET_FILE:Rasterkit::rasterkit-cli>"
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
