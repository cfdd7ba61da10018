# Configures, builds and tests ziv_show alone (ZIV_SHOW_ONLY): a project with
# nothing but the show's core and its tests. Run as the test
# build.show_standalone, or by hand:
#   cmake -DSOURCE_DIR=$PWD -DBINARY_DIR=$PWD/build-show -P cmake/ZivShowStandalone.cmake
if(NOT SOURCE_DIR OR NOT BINARY_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<tree> -DBINARY_DIR=<build> [-DBUILD_TYPE=...] -P ZivShowStandalone.cmake")
endif()
if(NOT BUILD_TYPE)
  set(BUILD_TYPE RelWithDebInfo)
endif()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "ziv_show alone: ${what} failed (${status})")
  endif()
endfunction()

run(configure ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR}
    -DZIV_SHOW_ONLY=ON -DZIV_WERROR=ON -DCMAKE_BUILD_TYPE=${BUILD_TYPE})
run(build ${CMAKE_COMMAND} --build ${BINARY_DIR} -j 2)
run(test ${CMAKE_CTEST_COMMAND} --test-dir ${BINARY_DIR} --output-on-failure -j 2 --no-tests=error)
