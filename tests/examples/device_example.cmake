# Runs the example firmware (row by row and run by run) and compares both
# framebuffers with rasterkit-cli's preview of the same frame: the options in
# OPTIONS, one a line, as the example's build passed them. Run by CTest as
# examples.device.
cmake_minimum_required(VERSION 3.25)

include("${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(STRINGS "${OPTIONS}" frame)
run("${CLI}" convert "${PICTURE}" -o "${WORK}/sample.raw" --preview "${WORK}/preview.png" ${frame} -q)
run("${FIRMWARE}" "${WORK}/rows.ppm")
run("${FIRMWARE}" --runs "${WORK}/runs.ppm")
foreach(framebuffer IN ITEMS rows runs)
    run("${COMPARE}" "${WORK}/${framebuffer}.ppm" "${WORK}/preview.png")
    message(STATUS "${framebuffer}.ppm: ${output}")
endforeach()
