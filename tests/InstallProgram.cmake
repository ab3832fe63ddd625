# Installs the program from a build tree into a temporary prefix and checks that its
# readme lies beside it, where the program looks for it.
# -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder>

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --component Unspecified --prefix "${WORK_DIR}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "install failed (${rc}):\n${out}\n${err}")
endif()
foreach(file bin/kolvmgr bin/readme.txt)
    if(NOT EXISTS "${WORK_DIR}/${file}")
        message(FATAL_ERROR "${file} was not installed")
    endif()
endforeach()
set(first "Quorlin Visual Style Manager")
string(LENGTH "${first}" length)
math(EXPR length "${length} + 2")
string(HEX "${first}" expected)
file(READ "${WORK_DIR}/bin/readme.txt" head LIMIT ${length} HEX)
if(NOT head STREQUAL "${expected}0d0a")
    message(FATAL_ERROR "bin/readme.txt is not the program's readme with CR LF line ends")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
