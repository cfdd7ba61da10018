# The layer check's constant rule, tried on small trees of its own: a clean
# tree passes, and each way of restating a value fails with a line naming it.
#   cmake -DCHECK=<ZivLayering.cmake> -DWORK_DIR=<scratch folder> -P restated_values.cmake
if(NOT CHECK OR NOT WORK_DIR)
  message(FATAL_ERROR "usage: cmake -DCHECK=<ZivLayering.cmake> -DWORK_DIR=<dir> -P restated_values.cmake")
endif()

# The owners as the real tree has them, and files that define look-alikes
# the rule must leave alone: other meanings of 32 and 200, a 320 that is no
# width, the same name with different values in two programs (even values
# that differ in one sign), and aliases.
set(clean_tree
  "output/output_constants.h|inline constexpr int kSurfaceWidth = 640~\ninline constexpr int kSurfaceHeight = 480~"
  "pictures/picture.h|inline constexpr int kPictureWidth = 320~\ninline constexpr int kPictureHeight = 200~"
  "audio/audio_constants.h|inline constexpr int kMixRate = 44100~\ninline constexpr int kSoftwareChannels = 32~"
  "scenes/scene_constants.h|#include \"pictures/picture.h\"\ninline constexpr int kSceneWidth = kPictureWidth~"
  "platform/console.h|inline constexpr int kConsoleBits = 32~\ninline constexpr int kConsoleSpaceCode = 32~"
  "tools/look/flash_meter.cpp|constexpr double kRedScale = 320.0~\nconstexpr int kFadeMs = 200~"
  "tools/one/main.cpp|constexpr const char* kUsage = \"usage: one\"~"
  "tools/two/main.cpp|constexpr const char* kUsage = \"usage: two\"~"
  "tools/three/mix.cpp|constexpr int kMix = kLeft + kRight~"
  "tools/four/mix.cpp|constexpr int kMix = kLeft - kRight~")

# ziv_try(<name> <expect: pass or the text the failure must hold> <file|text>...):
# the clean tree plus the files given (each ~ a semicolon), checked.
function(ziv_try name expect)
  set(tree ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${tree})
  foreach(entry ${clean_tree} ${ARGN})
    string(FIND "${entry}" "|" bar)
    if(bar EQUAL -1)
      message(FATAL_ERROR "${name}: an entry without a path (a semicolon not written as ~?): ${entry}")
    endif()
    string(SUBSTRING "${entry}" 0 ${bar} path)
    math(EXPR start "${bar} + 1")
    string(SUBSTRING "${entry}" ${start} -1 text)
    string(REPLACE "~" ";" text "${text}")   # a list cannot carry semicolons
    file(WRITE ${tree}/${path} "${text}\n")
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -P ${CHECK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(expect STREQUAL "pass")
    if(NOT status EQUAL 0)
      string(APPEND failures "${name}: the check refused a clean tree:\n${out}\n")
    endif()
  elseif(status EQUAL 0)
    string(APPEND failures "${name}: the check passed a tree that restates a value\n")
  else()
    string(FIND "${out}" "${expect}" at)
    if(at EQUAL -1)
      string(APPEND failures "${name}: the failure does not say '${expect}':\n${out}\n")
    endif()
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

set(failures "")
ziv_try(clean pass)
ziv_try(surface_width "app/run_constants.h: kConsoleWidth = 640 restates a figure owned by output/output_constants.h"
  "app/run_constants.h|inline constexpr int kConsoleWidth = 640~")
ziv_try(surface_rows "tools/look/look_meter.h: kLookSurfaceRows = 480u restates"
  "tools/look/look_meter.h|inline constexpr unsigned kLookSurfaceRows = 480u~")
ziv_try(picture_size "tools/pictures/canvas.h: kHeight = 200 restates a figure owned by pictures/picture.h"
  "tools/pictures/canvas.h|static const int kHeight = 200~")
ziv_try(picture_width_in_cpp "scenes/rotate.cpp: kColumns = 320 restates"
  "scenes/rotate.cpp|namespace {\nconstexpr int32_t kColumns = 320~\n}")
ziv_try(mixing_rate "audio/analyser.cpp: kSampleRate = 44100.0 restates a figure owned by audio/audio_constants.h"
  "audio/analyser.cpp|constexpr double kSampleRate = 44100.0~")
ziv_try(channels "audio/library.cpp: kChannels = 32 restates a figure owned by audio/audio_constants.h"
  "audio/library.cpp|  constexpr int kChannels = 32~   // streams at once")
ziv_try(rate_in_benchmark "bench/track_bench.cpp: kRate = 44100 restates"
  "bench/track_bench.cpp|constexpr int kRate = 44100~")
ziv_try(size_in_page "web/wasm/page_core.cpp: kPageWidth = 640 restates"
  "web/wasm/page_core.cpp|static const int kPageWidth = 640~")
ziv_try(header_name_twice "kMixRate is defined in audio/audio_constants.h and again in audio/other.h"
  "audio/other.h|inline constexpr int kMixRate = kOtherRate~")
ziv_try(header_name_in_source "kSurfaceFirstRow is defined in output/output_constants.h and again in tools/meter.cpp"
  "output/output_constants.h|inline constexpr int kSurfaceWidth = 640~\ninline constexpr int kSurfaceFirstRow = 40~"
  "tools/meter.cpp|constexpr int kSurfaceFirstRow = 41~")
ziv_try(same_value_twice "kHop = 512 is defined in audio/a.cpp and again in tools/b.cpp"
  "audio/a.cpp|constexpr int kHop = 512~" "tools/b.cpp|constexpr int kHop = 512~")
ziv_try(array_constant "kBands = 512 is defined in"
  "audio/a.cpp|constexpr float kWeights[4] = {1, 2, 3, 4}~\nconstexpr int kBands = 512~"
  "scenes/b.cpp|static constexpr int kBands = 512~")

file(REMOVE_RECURSE ${WORK_DIR})
if(failures)
  message(FATAL_ERROR "the layer check's constant rule:\n${failures}")
endif()
message(STATUS "the layer check refuses every restated value tried, and passes the clean tree")
