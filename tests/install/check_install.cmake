# Installs the build tree into a scratch prefix, then builds and runs a small
# consumer against it twice: through find_package(zel) and through pkg-config.
file(REMOVE_RECURSE "${WORK_DIR}")
set(PREFIX "${WORK_DIR}/prefix")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "command failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}")

# find_package
run(${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${WORK_DIR}/build" -G "${GENERATOR}"
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${PREFIX})
run(${CMAKE_COMMAND} --build "${WORK_DIR}/build")
run("${WORK_DIR}/build/zel_consumer")
if(NOT LAST_OUTPUT MATCHES "zel consumer ok")
  message(FATAL_ERROR "unexpected consumer output: ${LAST_OUTPUT}")
endif()

# pkg-config
find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  file(GLOB_RECURSE pcfile "${PREFIX}/*/zel.pc")
  get_filename_component(pcdir "${pcfile}" DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} "${pcdir}")
  run(${PKG_CONFIG} --cflags --libs zel)
  string(STRIP "${LAST_OUTPUT}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  get_filename_component(libdir "${pcfile}" DIRECTORY)
  get_filename_component(libdir "${libdir}" DIRECTORY)
  run(${CXX} "${SOURCE_DIR}/main.cpp" ${flags} "-Wl,-rpath,${libdir}" -o "${WORK_DIR}/zel_consumer_pc")
  run("${WORK_DIR}/zel_consumer_pc")
  if(NOT LAST_OUTPUT MATCHES "zel consumer ok")
    message(FATAL_ERROR "unexpected pkg-config consumer output: ${LAST_OUTPUT}")
  endif()
endif()
message(STATUS "install check passed")
