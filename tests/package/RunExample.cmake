# Builds the README's library example in a project of its own and runs it on a demo project.
#   MODE=install       installs BUILD_DIR into WORK/prefix and uses find_package(harn); the
#                      installed tool makes the demo project from its installed samples
#   MODE=subdirectory  adds SOURCE_DIR with add_subdirectory; TOOL makes the demo project
# Other variables: SOURCE_DIR, WORK, CXX (the compiler), GENERATOR, TOOL.
cmake_minimum_required(VERSION 3.25)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        string(REPLACE ";" " " line "${ARGN}")
        message(FATAL_ERROR "failed (${rc}): ${line}\n${out}\n${err}")
    endif()
    set(out "${out}" PARENT_SCOPE)
    set(err "${err}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# The example: the first C++ block under "## The library" of the README.
file(READ ${SOURCE_DIR}/README.md readme)
string(FIND "${readme}" "## The library" at)
string(SUBSTRING "${readme}" ${at} -1 readme)
string(FIND "${readme}" "```cpp\n" begin)
string(FIND "${readme}" "\n```\n" end)
if(at EQUAL -1 OR begin EQUAL -1 OR end LESS begin)
    message(FATAL_ERROR "README.md has no C++ block under \"## The library\"")
endif()
math(EXPR begin "${begin} + 7")
math(EXPR length "${end} + 1 - ${begin}")
string(SUBSTRING "${readme}" ${begin} ${length} example)
file(WRITE ${WORK}/example.cpp "${example}")

set(configure ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/consumer -B ${WORK}/build
    -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX} -DEXAMPLE_SOURCE=${WORK}/example.cpp)
if(MODE STREQUAL "install")
    run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/prefix)
    foreach(f include/harn/harn.h include/harn/database/CHarnDbs.h
              include/harn/platform/Cp1252Literal.h lib/libharn.a lib/libharn_platform.a
              lib/cmake/harn/harnConfig.cmake lib/cmake/harn/harnConfigVersion.cmake
              bin/harn share/harn/samples/outcrops/HALL1.LAD share/harn/samples/codes/Harnkod.dat)
        if(NOT EXISTS ${WORK}/prefix/${f})
            message(FATAL_ERROR "not installed: ${f}")
        endif()
    endforeach()
    set(TOOL ${WORK}/prefix/bin/harn)
    run(${configure} -DCMAKE_PREFIX_PATH=${WORK}/prefix)
elseif(MODE STREQUAL "subdirectory")
    run(${configure} -DHARN_SOURCE=${SOURCE_DIR})
else()
    message(FATAL_ERROR "MODE is install or subdirectory")
endif()
run(${CMAKE_COMMAND} --build ${WORK}/build --target example -j2)

# The example on a demo project: it reads BH1's core log and saves it; a second run reads
# the saved log.
run(${CMAKE_COMMAND} -E env --unset=HARN_SAMPLES ${TOOL} demo ${WORK}/PROJ1)
foreach(round 1 2)
    run(${WORK}/build/example ${WORK}/PROJ1)
    if(NOT out STREQUAL "BH1: 3 core rows, file BH1\n")
        message(FATAL_ERROR "unexpected output of the example (run ${round}): [${out}] [${err}]")
    endif()
endforeach()

if(MODE STREQUAL "install")
    # The installed tool takes its samples from the installed data folder: without one of
    # them it names that file there.
    file(REMOVE ${WORK}/prefix/share/harn/samples/outcrops/HALL3.LAD)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=HARN_SAMPLES ${TOOL} demo ${WORK}/PROJ2
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(rc EQUAL 0 OR NOT err MATCHES "${WORK}/prefix/share/harn/samples/outcrops/HALL3.LAD")
        message(FATAL_ERROR "the installed tool did not look in its data folder (${rc}): ${err}")
    endif()
endif()
