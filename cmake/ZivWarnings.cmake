# Compiler flags shared by every target of the project.
#
# -ffp-contract=off: the show's arithmetic is specified one rounded double
# operation at a time; a fused multiply-add would change frames in the last bit.
# Fast-math is never allowed for the same reason.
if(CMAKE_CXX_FLAGS MATCHES "fast-math|Ofast" OR CMAKE_C_FLAGS MATCHES "fast-math|Ofast")
  message(FATAL_ERROR "ziv must not be built with fast-math: frames are bit-exact")
endif()

function(ziv_target_flags target)
  target_compile_options(${target} PRIVATE
    -ffp-contract=off -fno-fast-math
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
  if(ZIV_SANITIZE)
    # Undefined behaviour fails the run instead of printing and going on.
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(ZIV_SANITIZE_THREAD)
    target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=thread)
  endif()
  if(ZIV_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
