# plan's --cmake file, built: the installed rasterkit-cli plans four pictures
# (one whose name holds a space and starts with a digit) with the frame
# options a call can carry, writing the file in a folder beside theirs; a
# project that includes it and links its library is built against the
# installed package, and its program, which includes every header, prints
# each array's size. Each equals the plan's bytes for its picture, and they
# add up to the plan's total. Run by CTest as package.cmake_plan.
cmake_minimum_required(VERSION 3.25)

set(cli "${PREFIX}/bin/rasterkit-cli")
include("${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake")

# Picture in tests/data | its name in the plan's folder | its header's and array's name.
set(pictures
    "known.bmp|8 bit.bmp|_8_bit"
    "transparent.gif|icon.gif|icon"
    "known.gif|known.gif|known"
    "photo.jpg|photo.jpg|photo")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/cmake")
set(includes "")
set(prints "")
foreach(row IN LISTS pictures)
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 source)
    list(GET fields 1 name)
    list(GET fields 2 array)
    configure_file("${DATA}/${source}" "${WORK}/pictures/${name}" COPYONLY)
    string(APPEND includes "#include \"${array}.h\"\n")
    string(APPEND prints "    printf(\"${array} %u\\n\", (unsigned)sizeof ${array});\n")
endforeach()

# A budget that the choice spreads over several formats and dither modes.
execute_process(
    COMMAND "${cli}" plan pictures --budget 3KiB -W 24 -H 18 -s 1.5 --center 30,20 --filter box --background 203040
        --byte-order little --json --cmake cmake/plan.cmake
    WORKING_DIRECTORY "${WORK}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE plan
    ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "rasterkit-cli plan failed (${result}):\n${errors}")
endif()
file(READ "${WORK}/cmake/plan.cmake" calls)
string(REGEX MATCHALL "\nrasterkit_add_images\\(" made "${calls}")
list(LENGTH made call_count)
if(call_count LESS 2)
    message(FATAL_ERROR "the plan chose a single format and dither mode, so one call is all the file holds; choose "
        "another budget:\n${calls}")
endif()
string(FIND "${calls}" "\"\${CMAKE_CURRENT_LIST_DIR}/../pictures/8 bit.bmp\"" relative)
if(relative EQUAL -1)
    message(FATAL_ERROR "the file does not name the pictures relative to its folder:\n${calls}")
endif()

file(WRITE "${WORK}/project/CMakeLists.txt"
    "cmake_minimum_required(VERSION 3.20)\n"
    "project(RasterkitPlan LANGUAGES C)\n"
    "find_package(Rasterkit 9 REQUIRED)\n"
    "include(\"${WORK}/cmake/plan.cmake\")\n"
    "add_executable(print_sizes print_sizes.c)\n"
    "target_compile_options(print_sizes PRIVATE -Wall -Wextra -Werror)\n"
    "target_link_libraries(print_sizes PRIVATE plan)\n")
file(WRITE "${WORK}/project/print_sizes.c"
    "#include <stdio.h>\n${includes}\nint main(void)\n{\n${prints}    return 0;\n}\n")
run(${CMAKE_COMMAND} -S "${WORK}/project" -B "${WORK}/build" -G "${GENERATOR}" "-DCMAKE_C_COMPILER=${C_COMPILER}"
    "-DCMAKE_PREFIX_PATH=${PREFIX}")
run(${CMAKE_COMMAND} --build "${WORK}/build")
execute_process(COMMAND "${WORK}/build/print_sizes" RESULT_VARIABLE result OUTPUT_VARIABLE sizes)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "print_sizes failed (${result})")
endif()

# The pictures come in the folder's name order, as the table lists them.
string(JSON total GET "${plan}" total)
string(JSON count LENGTH "${plan}" pictures)
list(LENGTH pictures expected_count)
if(NOT count EQUAL expected_count)
    message(FATAL_ERROR "the plan holds ${count} pictures, not ${expected_count}:\n${plan}")
endif()
set(sum 0)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
    string(JSON picture GET "${plan}" pictures ${index} picture)
    string(JSON bytes GET "${plan}" pictures ${index} bytes)
    foreach(row IN LISTS pictures)
        string(REPLACE "|" ";" fields "${row}")
        list(GET fields 1 name)
        list(GET fields 2 array)
        if(picture STREQUAL "pictures/${name}")
            string(REGEX MATCH "(^|\n)${array} ([0-9]+)\n" line "${sizes}")
            if(NOT CMAKE_MATCH_2 EQUAL bytes)
                message(FATAL_ERROR "${array}.h holds \"${CMAKE_MATCH_2}\" bytes, the plan ${bytes} for ${picture}:\n"
                    "${sizes}\n${plan}")
            endif()
            math(EXPR sum "${sum} + ${CMAKE_MATCH_2}")
        endif()
    endforeach()
endforeach()
if(NOT sum EQUAL total)
    message(FATAL_ERROR "the headers hold ${sum} bytes in all, the plan's total is ${total}:\n${sizes}\n${plan}")
endif()
