# Fails when a library holds a fused multiply-add instruction: the frames' arithmetic
# rounds every product and sum on its own, on every instruction-set path (run as a
# test: build.no_fma).
#   cmake -DLIBRARY=<lib.a> -DOBJDUMP=<objdump> -P cmake/ZivNoFma.cmake
if(NOT LIBRARY OR NOT OBJDUMP)
  message(FATAL_ERROR "usage: cmake -DLIBRARY=<lib.a> -DOBJDUMP=<objdump> -P ZivNoFma.cmake")
endif()
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[ \t]v?f(n?)m(add|sub)[a-z0-9]*[ \t]" fused "${listing}")
string(REGEX MATCHALL "vmulpd" products "${listing}")
list(LENGTH products product_count)
if(product_count EQUAL 0)
  message(FATAL_ERROR "no vector products found in ${LIBRARY}: the check would prove nothing")
endif()
if(fused)
  list(REMOVE_DUPLICATES fused)
  message(FATAL_ERROR "fused multiply-add in ${LIBRARY}: ${fused}")
endif()
message(STATUS "no fused multiply-add among ${product_count} AVX double products")
