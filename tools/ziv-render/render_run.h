// The whole offline render: arguments in, exit status out.
//
//   int status = renderMain(argc, argv);   // 0 done, 1 bad input file or failed output, 2 bad command line
//   requestRenderStop();                   // as Ctrl-C does: the render stops, leaving nothing behind (130)
//
// Frame n gets elapsedMs = floor(n * 1000 / fps) and the spectrum of the
// track heard up to sample floor(n * 44100 / fps), or the n-th record of a
// trace; libziv draws it (ziv_draw_frame, ziv_draw_spectrum) straight into
// the writer's slots, each holding what the show's one 640x480 surface, all
// zero at the start and kept from frame to frame, would hold.
#pragma once

int renderMain(int argc, const char* const* argv);
void requestRenderStop();
