# Installs the libraries from a build tree into a temporary prefix, builds the consumer
# program against that prefix alone and runs it.
# -DBUILD_DIR=<build tree> -DSOURCE_DIR=<this folder> -DWORK_DIR=<scratch folder>
# [-DSANITIZE_FLAGS=<compile and link flags of the build>]

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
    endif()
endfunction()

run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --component Quorlin --prefix "${prefix}")
run(${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${WORK_DIR}/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug
    "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_CXX_FLAGS=${SANITIZE_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${SANITIZE_FLAGS}")
run(${CMAKE_COMMAND} --build "${WORK_DIR}/build")

# The registry goes to a throw-away Windows root.
file(MAKE_DIRECTORY "${WORK_DIR}/wineprefix/drive_c/windows" "${WORK_DIR}/wineprefix/dosdevices")
file(CREATE_LINK ../drive_c "${WORK_DIR}/wineprefix/dosdevices/c:" SYMBOLIC)
run(${CMAKE_COMMAND} -E env "WINEPREFIX=${WORK_DIR}/wineprefix" QT_QPA_PLATFORM=offscreen
    "${WORK_DIR}/build/consumer")
file(REMOVE_RECURSE "${WORK_DIR}")
