# Compiles one source file with the given compiler and flags, every warning an
# error; with SIZE_TOOL also checks that it calls nothing outside itself and
# shows the object's code (text, which holds the constant tables and texts
# too), which with MAX_TEXT must be at most that many bytes. With
# BASELINE_FLAGS the source is compiled a second time with those flags added
# (leaving a part out), and MAX_TEXT bounds what the part adds: the first
# object's code less the second's. A compiler that is not installed skips the
# check (the test looks for "SKIPPED").
#
#   cmake -DCOMPILER=gcc "-DFLAGS=-std=c99|-Wall" -DSOURCE=file.c -DOBJECT=out.o
#         [-DSIZE_TOOL=arm-none-eabi-size -DNM_TOOL=arm-none-eabi-nm [-DMAX_TEXT=2048]
#          ["-DBASELINE_FLAGS=-DWITHOUT_PART"]] -P compile_check.cmake
string(REPLACE "|" ";" FLAGS "${FLAGS}")
find_program(compiler_path ${COMPILER})
if(NOT compiler_path)
    message("SKIPPED: ${COMPILER} is not installed")
    return()
endif()
execute_process(COMMAND ${compiler_path} ${FLAGS} -c ${SOURCE} -o ${OBJECT} RESULT_VARIABLE failed)
if(failed)
    string(JOIN " " shown ${FLAGS})
    message(FATAL_ERROR "${COMPILER} ${shown} does not compile ${SOURCE} cleanly")
endif()
if(NOT SIZE_TOOL)
    return()
endif()
find_program(size_path ${SIZE_TOOL} REQUIRED)
find_program(nm_path ${NM_TOOL} REQUIRED)
execute_process(COMMAND ${nm_path} -u ${OBJECT} OUTPUT_VARIABLE undefined COMMAND_ERROR_IS_FATAL ANY)
if(NOT undefined STREQUAL "")
    message(FATAL_ERROR "the object calls code outside itself, which its size leaves out:\n${undefined}")
endif()
execute_process(COMMAND ${size_path} ${OBJECT} OUTPUT_VARIABLE table COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCH "\n *([0-9]+)" row "${table}")
set(text ${CMAKE_MATCH_1})
if(BASELINE_FLAGS)
    string(REPLACE "|" ";" BASELINE_FLAGS "${BASELINE_FLAGS}")
    execute_process(COMMAND ${compiler_path} ${FLAGS} ${BASELINE_FLAGS} -c ${SOURCE} -o ${OBJECT}.baseline.o
        COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${size_path} ${OBJECT}.baseline.o OUTPUT_VARIABLE baseline COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCH "\n *([0-9]+)" row "${baseline}")
    math(EXPR text "${text} - ${CMAKE_MATCH_1}")
    string(JOIN " " shown ${BASELINE_FLAGS})
    set(table "${table}without it (${shown}):\n${baseline}the part adds ")
endif()
if(NOT MAX_TEXT)
    message("${table}code: ${text} bytes")
    return()
endif()
message("${table}code: ${text} bytes of at most ${MAX_TEXT}")
if(text GREATER MAX_TEXT)
    message(FATAL_ERROR "the code takes ${text} bytes, more than ${MAX_TEXT}")
endif()
