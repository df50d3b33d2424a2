# Runs the example firmware of the index and alpha formats and compares its
# framebuffers with rasterkit-cli's previews of the same frames: the
# "Index 4" picture pixel for pixel (each 5:6:5 colour widened, as for every
# 5:6:5 frame), the "RGB 5:6:5 A8" icon, blended over the preview's
# background F0F0F0, within one 5:6:5 step a channel (the firmware blends
# the file's 5:6:5 colours in 5:6:5 steps, the preview in 8 bits). The
# options come from PICTURE_OPTIONS and ICON_OPTIONS, one a line, as the
# example's build passed them. Run by CTest as examples.device_formats;
# skipped while rasterkit-cli does not write these formats, as the
# example's build then leaves the program out.
cmake_minimum_required(VERSION 3.25)

include("${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake")

if(NOT EXISTS "${FIRMWARE}" OR NOT EXISTS "${PICTURE_OPTIONS}" OR NOT EXISTS "${ICON_OPTIONS}")
    message("SKIPPED: the example was not built: this rasterkit-cli does not write i4 and rgb565a8")
    return()
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(STRINGS "${PICTURE_OPTIONS}" picture_frame)
file(STRINGS "${ICON_OPTIONS}" icon_frame)
run("${CLI}" convert "${PICTURE}" -o "${WORK}/picture.raw" --preview "${WORK}/picture-preview.png" ${picture_frame} -q)
run("${CLI}" convert "${ICON}" -o "${WORK}/icon.raw" --preview "${WORK}/icon-preview.png" ${icon_frame} -q)
run("${FIRMWARE}" "${WORK}/picture.ppm" "${WORK}/icon.ppm" "${WORK}/scene.ppm")
run("${COMPARE}" "${WORK}/picture.ppm" "${WORK}/picture-preview.png")
message(STATUS "picture.ppm: ${output}")
run("${COMPARE}" --blended "${WORK}/icon.ppm" "${WORK}/icon-preview.png")
message(STATUS "icon.ppm: ${output}")
