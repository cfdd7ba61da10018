// What the latest frame of a show took (peak, scene, mapping, selectors), for
// the programs built with the library that count a course (ziv-render's
// statistics). Not part of the C API: hosts outside the tree see only pixels.
//
//   ziv_draw_frame(show, pixels);
//   countFrame(stats, *zivFrameRecord(show));   // null without a show
#pragma once
#include "output/show_frame.h"
#include "ziv/ziv.h"

const FrameRecord* zivFrameRecord(const ziv_show* show);
