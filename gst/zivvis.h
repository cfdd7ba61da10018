// zivvis: the show as a GStreamer visualiser, an element of the plugin "ziv"
// (libgstziv.so). Audio in (interleaved F32LE or S16LE, 1000..384000 Hz, 1..64
// channels), the show's frames out (BGRx, 640x480 and 60 fps unless the
// pipeline asks for others; another size gets the picture scaled to fit).
//
//   gst-launch-1.0 filesrc location=song.flac ! decodebin ! audioconvert ! zivvis ! videoconvert ! autovideosink
//   gst-launch-1.0 playbin uri=file:///music/song.ogg vis-plugin=zivvis
//
// Every sample is fed to the show as it arrives; each output frame is drawn at
// the heard position of its timestamp, counted from the first sample since the
// show started. A flush (a seek), a new stream or segment, a change of format
// or a jump in the timestamps starts the show afresh there. The show is one per
// process: a second zivvis going to PAUSED fails with a resource error.
#pragma once
#include <gst/gst.h>

G_BEGIN_DECLS
GType gst_ziv_vis_get_type(void);
#define GST_TYPE_ZIV_VIS (gst_ziv_vis_get_type())
G_END_DECLS
