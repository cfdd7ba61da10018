// What the programs built with the library read of a show beyond the C
// functions: the record of its latest frame (for ziv-render's statistics).
// C++ only and not exported by the shared library.
//
//   ziv_draw_frame(show, nullptr);
//   const FrameRecord r = latestFrameRecord(show);   // a default record before the first frame
#pragma once
#include "output/show_frame.h"
#include "ziv/ziv.h"

FrameRecord latestFrameRecord(const ziv_show* show);
