# Compiler flags shared by every target of the project, carried by one
# INTERFACE target: every library, program, test and benchmark links
# ziv::flags (privately), so nothing is built without them.
#
# -ffp-contract=off: the show's numbers are one rounded double operation at a
# time in the written order, and its frames are compared bit for bit; a fused
# multiply-add would change frames in the last bit. Fast-math is never
# allowed for the same reason.
option(ZIV_WERROR "Treat compiler warnings as errors (CI turns this on)" OFF)
option(ZIV_SANITIZE "Build with AddressSanitizer and UBSan" OFF)
option(ZIV_SANITIZE_THREAD "Build with ThreadSanitizer" OFF)
option(ZIV_FUZZ "Build the libFuzzer targets of tests/fuzz (clang): everything gets coverage instrumentation" OFF)

# The guard reads the flags of every configuration, not only the plain ones:
# -ffast-math in CMAKE_CXX_FLAGS_RELEASE would otherwise slip through.
set(ziv_flag_variables CMAKE_C_FLAGS CMAKE_CXX_FLAGS)
foreach(config Debug Release RelWithDebInfo MinSizeRel ${CMAKE_CONFIGURATION_TYPES} ${CMAKE_BUILD_TYPE})
  string(TOUPPER "${config}" config)
  list(APPEND ziv_flag_variables CMAKE_C_FLAGS_${config} CMAKE_CXX_FLAGS_${config})
endforeach()
list(REMOVE_DUPLICATES ziv_flag_variables)
foreach(variable ${ziv_flag_variables})
  if("${${variable}}" MATCHES "fast-math|Ofast|ffp-contract=(fast|on)")
    message(FATAL_ERROR "ziv must not be built with fast-math or contracted floating point "
                        "(${variable} = ${${variable}}): frames are bit-exact")
  endif()
endforeach()

add_library(ziv_flags INTERFACE)
add_library(ziv::flags ALIAS ziv_flags)
target_compile_options(ziv_flags INTERFACE
  -ffp-contract=off -fno-fast-math
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  $<$<BOOL:${ZIV_WERROR}>:-Werror>)
if(ZIV_SANITIZE)
  # Undefined behaviour fails the run instead of printing and going on.
  target_compile_options(ziv_flags INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_link_options(ziv_flags INTERFACE -fsanitize=address,undefined)
endif()
if(ZIV_SANITIZE_THREAD)
  target_compile_options(ziv_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(ziv_flags INTERFACE -fsanitize=thread)
endif()
if(ZIV_FUZZ)
  target_compile_options(ziv_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()
