# Builds the consumer in subproject/ as a project that takes Quillet's source
# tree into itself (HOW: add_subdirectory or FetchContent), with GoogleTest
# hidden from CMake as on a machine without it, and runs it.
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/run_command.cmake)
require(check_subproject HOW SOURCE_DIR CONSUMER_DIR WORK_DIR GENERATOR C_COMPILER CXX_COMPILER)

file(REMOVE_RECURSE ${WORK_DIR})
# No build type: the library unoptimised, as the quickest build to check.
run("configuring the ${HOW} consumer"
    ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR} -G ${GENERATOR}
    -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DHOW=${HOW} -DQUILLET_SOURCE_DIR=${SOURCE_DIR} -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)
run("building the ${HOW} consumer" ${CMAKE_COMMAND} --build ${WORK_DIR} --parallel 2)
run_consumer("${HOW} consumer" ${WORK_DIR}/consumer)
