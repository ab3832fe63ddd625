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

# The headers a user of the two classes needs, and nothing of the libraries' insides or
# of the hooks their own tests use.
file(GLOB_RECURSE headers RELATIVE "${prefix}/include" "${prefix}/include/*")
list(SORT headers)
set(expected quorlin/common/RuntimeError.h quorlin/common/WindowObject.h quorlin/control/QLFunctions.h
    quorlin/devlib/Functions.h)
if(NOT headers STREQUAL expected)
    message(FATAL_ERROR "installed headers: ${headers}\nexpected: ${expected}")
endif()
foreach(header ${headers})
    file(READ "${prefix}/include/${header}" text)
    if(text MATCHES "ForTests|setNext|setScripted|aboutWindow|kolvmgr:")
        message(FATAL_ERROR "${header} shows a test hook: ${CMAKE_MATCH_0}")
    endif()
endforeach()
# The deliberate departures are said where a user reads.
file(READ "${prefix}/include/quorlin/control/QLFunctions.h" control)
file(READ "${prefix}/include/quorlin/devlib/Functions.h" devlib)
foreach(said "Delay sleeps" "DecompressLZFile never empties an existing target")
    string(FIND "${control}" "${said}" at)
    if(at LESS 0)
        message(FATAL_ERROR "QLFunctions.h does not say: ${said}")
    endif()
endforeach()
foreach(said "DelayExecution sleeps" "DecompressLZFile never empties an existing target"
        "LookFolder does not follow symbolic links to folders")
    string(FIND "${devlib}" "${said}" at)
    if(at LESS 0)
        message(FATAL_ERROR "Functions.h does not say: ${said}")
    endif()
endforeach()
run(${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${WORK_DIR}/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug
    "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_CXX_FLAGS=${SANITIZE_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${SANITIZE_FLAGS}")
run(${CMAKE_COMMAND} --build "${WORK_DIR}/build")

# The registry goes to a throw-away Windows root.
file(MAKE_DIRECTORY "${WORK_DIR}/wineprefix/drive_c/windows" "${WORK_DIR}/wineprefix/dosdevices")
file(CREATE_LINK ../drive_c "${WORK_DIR}/wineprefix/dosdevices/c:" SYMBOLIC)
# A machine hive it cannot read: the library says so in its own name.
file(WRITE "${WORK_DIR}/wineprefix/system.reg" "not a registry\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E env "WINEPREFIX=${WORK_DIR}/wineprefix" QT_QPA_PLATFORM=offscreen
    "${WORK_DIR}/build/consumer" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "consumer failed (${rc}):\n${out}\n${err}")
endif()
if(NOT err MATCHES "(^|\n)Quorlin: [^\n]*system.reg:1: " OR err MATCHES "kolvmgr")
    message(FATAL_ERROR "the library did not sign its message with its own name:\n${err}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
