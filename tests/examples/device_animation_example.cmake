# Converts an animated picture into an animation file of what changed
# (--delta) and into each whole frame as a raw file with rasterkit-cli,
# plays the animation file with the
# example firmware's animation player, and compares every frame it played
# with the preview of the matching whole frame (rasterkit-cli decode), pixel
# for pixel as for every RGB 5:6:5 frame. Whole and changed rectangles must
# leave the same screen. Run by CTest as examples.device_animation.
#
#   cmake -D CLI=... -D FIRMWARE=... -D COMPARE=... -D ANIMATION=anim.gif -D FORMAT=rgb565x8
#         -D WIDTH=64 -D HEIGHT=48 -D WORK=folder -P device_animation_example.cmake
cmake_minimum_required(VERSION 3.25)

include("${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake")

if(NOT EXISTS "${FIRMWARE}")
    message(FATAL_ERROR "the example's animation player ${FIRMWARE} was not built")
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/whole" "${WORK}/played" "${WORK}/previews")
set(frame -f ${FORMAT} -W ${WIDTH} -H ${HEIGHT})
run("${CLI}" convert "${ANIMATION}" --frames --delta -o "${WORK}/anim.rkan" ${frame} -q)
run("${CLI}" convert "${ANIMATION}" --frames -o "${WORK}/whole/" ${frame} -q)
run("${FIRMWARE}" "${WORK}/anim.rkan" "${WORK}/played")

file(GLOB wholes RELATIVE "${WORK}/whole" "${WORK}/whole/*.raw")
list(SORT wholes)
file(GLOB played "${WORK}/played/frame_*.ppm")
list(LENGTH wholes count)
list(LENGTH played played_count)
if(count EQUAL 0 OR NOT count EQUAL played_count)
    message(FATAL_ERROR "${count} whole frames were written, the player played ${played_count}")
endif()
foreach(raw IN LISTS wholes)
    # NAME_NNN.raw is frame NNN
    if(NOT raw MATCHES "_([0-9]+)\\.raw$")
        message(FATAL_ERROR "${raw}: not a frame's name")
    endif()
    set(number ${CMAKE_MATCH_1})
    run("${CLI}" decode "${WORK}/whole/${raw}" ${frame} -o "${WORK}/previews/${number}.png")
    run("${COMPARE}" "${WORK}/played/frame_${number}.ppm" "${WORK}/previews/${number}.png")
    message(STATUS "frame ${number}: ${output}")
endforeach()
