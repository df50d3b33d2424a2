# Runs the OLED example of each dither mode and compares what its panel shows
# with rasterkit-cli's preview of the same frame, pixel for pixel: the
# options in OPTIONS/rasterkit_oled_MODE/options.txt, one a line, as the
# example's build passed them. Run by CTest as examples.oled.
cmake_minimum_required(VERSION 3.25)

include("${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
foreach(dither IN ITEMS diffusion ordered atkinson)
    file(STRINGS "${OPTIONS}/rasterkit_oled_${dither}/options.txt" frame)
    run("${CLI}" convert "${PICTURE}" -o "${WORK}/${dither}.raw" --preview "${WORK}/${dither}.png" ${frame} -q)
    run("${PROGRAMS}/rasterkit_example_oled_${dither}" "${WORK}/${dither}.pgm")
    run("${COMPARE}" --exact "${WORK}/${dither}.pgm" "${WORK}/${dither}.png")
    message(STATUS "${dither}: ${output}")
endforeach()
