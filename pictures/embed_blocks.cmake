# Turns picture blocks into C++ sources (run with cmake -P by pictures/CMakeLists.txt).
#   MODE=block INPUT=<file.pcx> OUTPUT=<file.cpp> NAME=<array name>
#   MODE=table BLOCK_DIR=<dir> COUNT=<n> OUTPUT=<file.cpp>
cmake_minimum_required(VERSION 3.25)

if(MODE STREQUAL "block")
  file(READ ${INPUT} hex HEX)
  string(LENGTH "${hex}" hex_length)
  if(hex_length EQUAL 0)
    message(FATAL_ERROR "embed: empty picture block '${INPUT}'")
  endif()
  # 24 bytes a line.
  string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  get_filename_component(source_name ${INPUT} NAME)
  file(WRITE ${OUTPUT} "// Generated from pictures/blocks/${source_name} at build time; do not edit.
#include <cstdint>

extern const uint8_t ${NAME}[];
const uint8_t ${NAME}[] = {
${bytes}
};
")
elseif(MODE STREQUAL "table")
  set(declarations "")
  set(entries "")
  foreach(n RANGE 1 ${COUNT})
    string(LENGTH "${n}" digits)
    if(digits EQUAL 1)
      set(n "0${n}")
    endif()
    file(SIZE ${BLOCK_DIR}/block${n}.pcx size)
    string(APPEND declarations "extern const uint8_t kPictureBlock${n}[];\n")
    string(APPEND entries "    {kPictureBlock${n}, ${size}},\n")
  endforeach()
  file(WRITE ${OUTPUT} "// Generated from pictures/blocks at build time; do not edit.
#include \"pictures/picture_blocks.h\"

${declarations}
const PictureSource kPictureBlocks[kPictureBlockCount] = {
${entries}};
")
else()
  message(FATAL_ERROR "embed: unknown MODE '${MODE}'")
endif()
