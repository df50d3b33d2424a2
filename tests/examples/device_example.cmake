# Runs the example firmware (row by row and run by run) and compares both
# framebuffers with rasterkit-cli's preview of the same frame. Run by CTest as
# examples.device.
cmake_minimum_required(VERSION 3.25)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command} failed (${result}):\n${output}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
separate_arguments(frame UNIX_COMMAND "${FRAME}")
run("${CLI}" convert "${PICTURE}" -o "${WORK}/sample.raw" --preview "${WORK}/preview.png" ${frame} -q)
run("${FIRMWARE}" "${WORK}/rows.ppm")
run("${FIRMWARE}" --runs "${WORK}/runs.ppm")
foreach(framebuffer IN ITEMS rows runs)
    run("${COMPARE}" "${WORK}/${framebuffer}.ppm" "${WORK}/preview.png")
    message(STATUS "${framebuffer}.ppm: ${output}")
endforeach()
