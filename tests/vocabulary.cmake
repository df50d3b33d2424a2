# Every fact about formats and limits stands in one place: no format's name,
# nor its short name in a string, is spelled out in src/ or cmake/ outside
# the format table
# (src/convert/pixelformat.h and the records it names, records.h), and the
# frame's size limit and the picture's byte limit are written only where
# they are defined (src/convert/limits.h). The names come from the
# converter's own `formats --json`. Run by CTest as vocabulary with CLI and
# SOURCE set.
cmake_minimum_required(VERSION 3.25)

include("${CMAKE_CURRENT_LIST_DIR}/run_command.cmake")

run("${CLI}" formats --json)
set(formats "${output}")
string(JSON count LENGTH "${formats}")
if(count LESS 1)
    message(FATAL_ERROR "formats --json lists no format:\n${formats}")
endif()
# Names are distinctive anywhere; short names ("mono", "grey2") are also
# plain words, so they count where a string spells them out as a word.
set(names)
set(short_names)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
    string(JSON name GET "${formats}" ${index} name)
    string(JSON short_name GET "${formats}" ${index} short_name)
    list(APPEND names "${name}")
    list(APPEND short_names "${short_name}")
endforeach()

set(table "src/convert/pixelformat.h" "src/convert/records.h")
set(limits "src/convert/limits.h")
file(GLOB_RECURSE files RELATIVE "${SOURCE}" "${SOURCE}/src/*" "${SOURCE}/cmake/*")
set(failures 0)
foreach(file IN LISTS files)
    file(READ "${SOURCE}/${file}" text)
    if(NOT file IN_LIST table)
        foreach(word IN LISTS names)
            string(FIND "${text}" "${word}" at)
            if(at GREATER_EQUAL 0)
                message(SEND_ERROR "${file} spells out the format name \"${word}\": take it from the format table")
                math(EXPR failures "${failures} + 1")
            endif()
        endforeach()
        string(REGEX MATCHALL "\"[^\"\n]*\"" strings "${text}")
        foreach(word IN LISTS short_names)
            foreach(literal IN LISTS strings)
                if(literal MATCHES "(^|[^A-Za-z0-9_-])${word}([^A-Za-z0-9_-]|$)")
                    message(SEND_ERROR "${file} spells out the short name \"${word}\" in ${literal}: take it from the format table")
                    math(EXPR failures "${failures} + 1")
                    break()
                endif()
            endforeach()
        endforeach()
    endif()
    if(NOT file IN_LIST limits AND text MATCHES "(^|[^0-9])8192([^0-9]|$)|1 *<< *30([^0-9]|$)")
        message(SEND_ERROR "${file} writes out a limit (${CMAKE_MATCH_0}): use the constant of src/convert/limits.h")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
list(LENGTH files checked)
if(failures)
    message(FATAL_ERROR "${failures} facts written again in ${checked} files")
endif()
message(STATUS "${checked} files name no format and write no limit outside the table and limits.h")
