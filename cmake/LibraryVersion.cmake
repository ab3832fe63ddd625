# A library's version lives in its target's VERSION property alone: the shared object's
# SOVERSION (the major number) and the version its CMake package reports to
# find_package() are read from it.
include(CMakePackageConfigHelpers)

function(kolv_library_version target)
    get_target_property(version ${target} VERSION)
    if(NOT version)
        message(FATAL_ERROR "${target} has no VERSION property")
    endif()
    string(REGEX MATCH "^[0-9]+" major "${version}")
    set_target_properties(${target} PROPERTIES SOVERSION ${major})
    write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${target}ConfigVersion.cmake
        VERSION ${version} COMPATIBILITY SameMajorVersion)
endfunction()
