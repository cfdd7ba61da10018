# Checks the include graph of the source tree (run as a test: build.layering).
#   cmake -DSOURCE_DIR=<tree> -P cmake/ZivLayering.cmake
#
# 1. Layers: a file includes only its own layer and the layers below it,
#      show (pictures/, scenes/, output/) < audio/ < platform/, libziv/ < app/, tools/
#    libziv (the show as a C library) and platform sit side by side and
#    include nothing of each other; ziv-render, which draws without a
#    window, includes nothing of platform/. The GStreamer plugin (gst/) is a
#    host above them all that reaches the show only through libziv's public
#    header <ziv/ziv.h>: it includes nothing of the tree but its own files.
# 2. ziv_show uses the C++ standard library and nothing else: its only
#    <...> includes are standard headers (no ".h", no folder), and the
#    compiler's <immintrin.h>.
# 3. No file includes itself through a chain of others.
# 4. Every constant has one owner, so no value is restated:
#    - a k... constant defined in a header is defined in no other file;
#    - no k... name is defined with the same value in two files;
#    - the show's key figures are constants only in their owner's header:
#      640, 480 (the surface) in output/output_constants.h; 320 and a height or
#      rows of 200 (a picture) in pictures/picture.h; 44100 (the mixing rate)
#      and a channel count of 32 in audio/audio_constants.h. Elsewhere a
#      constant with that value names the owner's instead.
#    The page's C layer (web/wasm/) and the benchmarks are held to this too.
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<tree> -P ZivLayering.cmake")
endif()

set(rank_pictures 0)
set(rank_scenes 0)
set(rank_output 0)
set(rank_audio 1)
set(rank_platform 2)
set(rank_libziv 2)
set(rank_app 3)
set(rank_tools 3)
set(rank_gst 3)

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/pictures/*.h ${SOURCE_DIR}/pictures/*.cpp ${SOURCE_DIR}/scenes/*.h ${SOURCE_DIR}/scenes/*.cpp
  ${SOURCE_DIR}/output/*.h ${SOURCE_DIR}/output/*.cpp ${SOURCE_DIR}/audio/*.h ${SOURCE_DIR}/audio/*.cpp
  ${SOURCE_DIR}/platform/*.h ${SOURCE_DIR}/platform/*.cpp ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/app/*.cpp
  ${SOURCE_DIR}/tools/*.h ${SOURCE_DIR}/tools/*.cpp ${SOURCE_DIR}/libziv/*.h ${SOURCE_DIR}/libziv/*.cpp
  ${SOURCE_DIR}/gst/*.h ${SOURCE_DIR}/gst/*.cpp)

set(problems "")
set(nodes "")
# One definition per line: [inline|static|extern] const[expr] <type> kName[...] = <value>;
set(constant_pattern
  "^[ \t]*((inline|static|extern)[ \t]+)*(constexpr|const)[ \t]+[^=;(]*[ \t*&](k[A-Z][A-Za-z0-9_]*)[ \t]*(\\[[^]=]*\\])?[ \t]*=[ \t]*([^;]*[^; \t])[ \t]*;")

# ziv_key_owner(<name> <value> <out>): the file that alone may define a
# constant of that name and value, or "" when the value is no key figure.
function(ziv_key_owner name value out)
  set(owner "")
  if(value MATCHES "^(640|480)[uUlL]*$")
    set(owner "output/output_constants.h")
  elseif(value MATCHES "^320[uUlL]*$" OR (value MATCHES "^200[uUlL]*$" AND name MATCHES "(Height|Rows)"))
    set(owner "pictures/picture.h")
  elseif(value MATCHES "^44100(\\.0*)?[uUlLfF]*$" OR (value MATCHES "^32[uUlL]*$" AND name MATCHES "Channels"))
    set(owner "audio/audio_constants.h")
  endif()
  set(${out} "${owner}" PARENT_SCOPE)
endfunction()

# ziv_scan_constants(<file>): records the file's constants, and the problems they make.
macro(ziv_scan_constants file)
  file(STRINGS ${SOURCE_DIR}/${file} definitions REGEX "${constant_pattern}")
  foreach(line ${definitions})
    if(NOT line MATCHES "${constant_pattern}")
      continue()
    endif()
    set(name "${CMAKE_MATCH_4}")
    set(value "${CMAKE_MATCH_6}")
    ziv_key_owner(${name} "${value}" owner)
    if(owner AND NOT "${file}" STREQUAL owner)
      string(APPEND problems "  ${file}: ${name} = ${value} restates a figure owned by ${owner}\n")
    endif()
    string(MD5 value_id "${value}")
    foreach(seen ${defined_${name}})
      string(REPLACE "|" ";" seen "${seen}")
      list(GET seen 0 seen_file)
      list(GET seen 1 seen_value_id)
      if(seen_file STREQUAL "${file}")
        continue()
      endif()
      if(seen_file MATCHES "\\.h$" OR "${file}" MATCHES "\\.h$")
        string(APPEND problems "  ${name} is defined in ${seen_file} and again in ${file}: one owner, included by the other\n")
      elseif(seen_value_id STREQUAL value_id)
        string(APPEND problems "  ${name} = ${value} is defined in ${seen_file} and again in ${file}: one owner, included by the other\n")
      endif()
    endforeach()
    list(APPEND defined_${name} "${file}|${value_id}")
  endforeach()
endmacro()

# The page's C layer and the benchmarks hold no layer of their own, but
# restate no value either.
file(GLOB_RECURSE constant_only_files RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/web/wasm/*.h ${SOURCE_DIR}/web/wasm/*.cpp ${SOURCE_DIR}/bench/*.h ${SOURCE_DIR}/bench/*.cpp)
foreach(file ${constant_only_files})
  ziv_scan_constants(${file})
endforeach()

foreach(file ${files})
  ziv_scan_constants(${file})

  string(REGEX MATCH "^[^/]+" layer "${file}")
  set(rank ${rank_${layer}})
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include")
  set(deps "")
  foreach(line ${lines})
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(included "${CMAKE_MATCH_1}")
      # Includes relative to the file's own folder (the tools' own headers).
      get_filename_component(folder ${file} DIRECTORY)
      if(EXISTS ${SOURCE_DIR}/${folder}/${included} AND NOT included MATCHES "/")
        set(included "${folder}/${included}")
      endif()
      string(REGEX MATCH "^[^/]+" target_layer "${included}")
      if(DEFINED rank_${target_layer})
        if(rank_${target_layer} GREATER rank OR (layer STREQUAL "app" AND target_layer STREQUAL "tools")
           OR (layer STREQUAL "tools" AND target_layer STREQUAL "app"))
          string(APPEND problems "  ${file} (${layer}) includes ${included} (${target_layer})\n")
        endif()
        if((layer STREQUAL "libziv" AND target_layer STREQUAL "platform")
           OR (layer STREQUAL "platform" AND target_layer STREQUAL "libziv"))
          string(APPEND problems "  ${file} (${layer}) includes ${included} (${target_layer}): the library and the platform stay apart\n")
        endif()
        if(layer STREQUAL "gst" AND NOT target_layer STREQUAL "gst")
          string(APPEND problems "  ${file}: the plugin includes ${included}; it reaches the show through <ziv/ziv.h> only\n")
        endif()
        if(file MATCHES "^tools/ziv-render/" AND target_layer STREQUAL "platform")
          string(APPEND problems "  ${file}: ziv-render includes ${included}, window and device code\n")
        endif()
        list(APPEND deps ${included})
      elseif(rank EQUAL 0)
        string(APPEND problems "  ${file} (ziv_show) includes \"${included}\", outside the show's core\n")
      endif()
    elseif(rank EQUAL 0 AND line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      set(header "${CMAKE_MATCH_1}")
      # The compiler's own vector intrinsics are no library: the frame stages' vector paths use them.
      if(NOT header MATCHES "^[a-z_]+$" AND NOT header STREQUAL "immintrin.h")
        string(APPEND problems "  ${file} (ziv_show) includes <${header}>, not the C++ standard library\n")
      endif()
    endif()
  endforeach()
  string(MAKE_C_IDENTIFIER "${file}" id)
  set(deps_${id} ${deps})
  list(APPEND nodes ${file})
endforeach()

# Cycles: take away, round after round, every file whose includes are all
# taken; whatever cannot be taken lies on or behind a cycle.
set(remaining ${nodes})
set(taken "")
set(progress TRUE)
while(remaining AND progress)
  set(progress FALSE)
  set(next "")
  foreach(file ${remaining})
    string(MAKE_C_IDENTIFIER "${file}" id)
    set(ready TRUE)
    foreach(dep ${deps_${id}})
      list(FIND taken ${dep} at)
      list(FIND nodes ${dep} known)
      if(at EQUAL -1 AND NOT known EQUAL -1)
        set(ready FALSE)
        break()
      endif()
    endforeach()
    if(ready)
      list(APPEND taken ${file})
      set(progress TRUE)
    else()
      list(APPEND next ${file})
    endif()
  endforeach()
  set(remaining ${next})
endwhile()
if(remaining)
  string(REPLACE ";" ", " remaining "${remaining}")
  string(APPEND problems "  include cycle through: ${remaining}\n")
endif()

if(problems)
  message(FATAL_ERROR "the source tree breaks the layer rules:\n${problems}")
endif()
list(LENGTH nodes count)
message(STATUS "include graph: ${count} files, layers point one way, no cycle, no constant restated")
