/* libziv: the music-driven show as a small C library.
 *
 *   ziv_options options;
 *   ziv_options_init(&options);                  // options.fps = 60
 *   ziv_show* show;
 *   if (ziv_create(&options, &show) != ZIV_OK) {
 *       fprintf(stderr, "host: %s\n", ziv_last_error());
 *       return 1;
 *   }
 *   ziv_feed_s16(show, samples, frames, 48000, 2);   // interleaved, any rate and channel count
 *   // or instead: ziv_open_track(show, "song.flac");  // the show reads a file itself, looping
 *   static uint32_t pixels[ZIV_WIDTH * ZIV_HEIGHT];  // 0x00RRGGBB, row after row
 *   for (int64_t n = 0; n < count; ++n) {
 *       ziv_set_frame(show, n);                       // offline: frame n at options.fps
 *       // live hosts instead: ziv_set_position(show, heard_samples, elapsed_ms);
 *       ziv_draw_frame(show, pixels);                 // or (show, NULL), then ziv_frame_pixels(show)
 *   }
 *   ziv_destroy(show);
 *
 * A host that hands each frame on (to a writer thread, an encoder) draws
 * straight into its own buffers instead, with no copy:
 *
 *   ziv_set_surface(show, ZIV_SURFACE_CALLER);       // before the first frame
 *   uint32_t* slot = host_next_buffer();              // zeroed when new, else as the show left it
 *   ziv_draw_frame(show, slot);                       // slot now holds the frame, as the show's surface would
 *
 *   cc host.c $(pkg-config --cflags --libs ziv)
 *
 * Samples fed are converted once into the show's timeline: 44100 Hz, mixed to
 * mono. Channels come in the usual WAVE order (front left, front right,
 * centre, LFE, back left, back right, ...); 1000..384000 Hz, 1..64 channels.
 * A frame depends only on the samples fed before it is drawn and on the
 * positions given: the same calls give the same pixels, however the samples
 * were split between calls. Samples not fed by the time a position needs
 * them count as silence. Positions never go back.
 *
 * Every function returns ZIV_OK (0) or a negative ZIV_ERROR_* code; the
 * calling thread's ziv_last_error() then says what was wrong, on one line.
 * The show's state is one per process: a second ziv_create before
 * ziv_destroy gives ZIV_ERROR_BUSY. Calls on a show come from one thread at
 * a time.
 *
 * Traces hold each frame's clock and spectrum, for exact replay:
 *
 *   ziv_trace* in;
 *   ziv_trace_open("show.trace", &in);
 *   float spectrum[ZIV_SPECTRUM_BANDS];        // at least ziv_trace_bands(in) entries
 *   int32_t ms;
 *   while (ziv_trace_read(in, &ms, spectrum, ZIV_SPECTRUM_BANDS) == 1)
 *       ziv_draw_spectrum(show, spectrum, ziv_trace_bands(in), ms, pixels);
 *   ziv_trace_close(in);
 *
 *   ziv_trace* out;
 *   ziv_trace_create("new.trace", ZIV_SPECTRUM_BANDS, &out);
 *   ziv_frame_spectrum(show, spectrum, ZIV_SPECTRUM_BANDS);   // after each ziv_draw_frame
 *   ziv_trace_write(out, ms, spectrum);
 *   ziv_trace_close(out);                      // ZIV_OK only when every record reached the file
 */
#ifndef ZIV_ZIV_H
#define ZIV_ZIV_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define ZIV_API __attribute__((visibility("default")))
#else
#define ZIV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define ZIV_WIDTH 640              /* a frame's pixels: ZIV_WIDTH x ZIV_HEIGHT */
#define ZIV_HEIGHT 480
#define ZIV_MAX_SCALE 8            /* ziv_scale_frame enlarges by 1..ZIV_MAX_SCALE */
#define ZIV_SAMPLE_RATE 44100      /* the rate of the show's timeline and of heard positions */
#define ZIV_SPECTRUM_BANDS 512     /* entries of the spectrum the show measures */
#define ZIV_SPECTRUM_MIN_BANDS 257 /* entries a frame reads */

enum {
    ZIV_OK = 0,
    ZIV_ERROR_ARGUMENT = -1,  /* a null pointer or a value out of range */
    ZIV_ERROR_RATE = -2,      /* a sample rate outside 1000..384000 Hz */
    ZIV_ERROR_CHANNELS = -3,  /* a channel count outside 1..64 */
    ZIV_ERROR_POSITION = -4,  /* a position that goes back or jumps too far, or a frame beyond the clock's range */
    ZIV_ERROR_BUSY = -5,      /* a show already exists in this process */
    ZIV_ERROR_MEMORY = -6,
    ZIV_ERROR_FILE = -7,      /* a file that cannot be opened, read or written */
    ZIV_ERROR_FORMAT = -8,    /* a file that is not a valid trace */
    ZIV_ERROR_INTERNAL = -9
};

typedef struct ziv_options {
    int fps; /* frames per second for ziv_set_frame: 1 or more; default 60 */
} ziv_options;

/* Where frames are drawn (ziv_set_surface). */
enum { ZIV_SURFACE_OWN = 0, ZIV_SURFACE_CALLER = 1 };

typedef struct ziv_show ziv_show;
typedef struct ziv_trace ziv_trace;

ZIV_API void ziv_options_init(ziv_options* options);
/* options may be null (the defaults). */
ZIV_API int ziv_create(const ziv_options* options, ziv_show** show);
ZIV_API void ziv_destroy(ziv_show* show);

/* Interleaved frames: frames x channels samples. */
ZIV_API int ziv_feed_s16(ziv_show* show, const int16_t* samples, size_t frames, int rate, int channels);
ZIV_API int ziv_feed_f32(ziv_show* show, const float* samples, size_t frames, int rate, int channels);
/* Samples in the show's timeline so far (44100 Hz), through ZIV_OK into *count. */
ZIV_API int ziv_fed_samples(const ziv_show* show, int64_t* count);
/* Instead of fed samples, the show hears a track file (Ogg Vorbis, Opus, MP3, AAC, FLAC, WAV, ...),
   looping as the live show plays it, read as far as each position needs. Once per show, before any feed. */
ZIV_API int ziv_open_track(ziv_show* show, const char* path);

/* The position heard (samples of the timeline) and the show's clock (ms since the show began);
   the spectrum is measured there. A position moves on by at most 600 seconds of samples a call. */
ZIV_API int ziv_set_position(ziv_show* show, int64_t heard_samples, int32_t elapsed_ms);
/* Offline: frame n of a render at options.fps (heard n x 44100 / fps, clock n x 1000 / fps, truncated). */
ZIV_API int ziv_set_frame(ziv_show* show, int64_t frame);
/* The next frame from the spectrum at the position set, into ZIV_WIDTH x ZIV_HEIGHT pixels (null: kept
   in the show only, see ziv_frame_pixels). */
ZIV_API int ziv_draw_frame(ziv_show* show, uint32_t* pixels);
/* Replay: the next frame from a recorded spectrum of bands (257 or more) entries and its clock. */
ZIV_API int ziv_draw_spectrum(ziv_show* show, const float* spectrum, size_t bands, int32_t elapsed_ms,
                              uint32_t* pixels);
/* Where ziv_draw_frame and ziv_draw_spectrum draw, set before the first frame. ZIV_SURFACE_OWN (the
   default): into the show's own surface, then copied to the pixels given. ZIV_SURFACE_CALLER: the
   pixels given are the surface, drawn into with no copy. A frame leaves some pixels as the frame
   before left them, so any number of buffers may take turns only under two rules: each is zeroed
   before its first frame, and each holds what the show last drew into it until it is handed back (the
   host may read it meanwhile). The buffer of the frame before is read while the next is drawn; the
   show copies from it only the pixels a buffer lacks (the even columns of the colour rows, and only
   after frames that changed them). Buffers are known by their address: one freed while the show lives
   must not come back at the same address. Null pixels draw into the show's own surface, one buffer
   more. */
ZIV_API int ziv_set_surface(ziv_show* show, int where);
/* The spectrum the next frame is drawn from (measured at the position set, or replayed): its first
   `bands` entries, at most ZIV_SPECTRUM_BANDS. */
ZIV_API int ziv_frame_spectrum(const ziv_show* show, float* spectrum, size_t bands);
/* The latest frame without a copy (the buffer it was drawn into): valid until the next draw or
   ziv_destroy; null without a show. */
ZIV_API const uint32_t* ziv_frame_pixels(const ziv_show* show);
/* A frame enlarged by a whole factor, nearest neighbour, into (scale x ZIV_WIDTH) x (scale x ZIV_HEIGHT) pixels. */
ZIV_API int ziv_scale_frame(const uint32_t* pixels, int scale, uint32_t* scaled);

ZIV_API int ziv_trace_open(const char* path, ziv_trace** trace);
/* Entries per record (either kind of trace), or an error code. */
ZIV_API int ziv_trace_bands(const ziv_trace* trace);
/* A trace being read: its records into *records (-1 for a pipe, whose length shows at its end). */
ZIV_API int ziv_trace_records(const ziv_trace* trace, int64_t* records);
/* 1: the next record into elapsed_ms and spectrum (capacity >= the trace's bands); 0: the end; else an error. */
ZIV_API int ziv_trace_read(ziv_trace* trace, int32_t* elapsed_ms, float* spectrum, size_t capacity);
/* A new trace of records of `bands` (257..1048576) entries; the file is replaced. */
ZIV_API int ziv_trace_create(const char* path, int bands, ziv_trace** trace);
ZIV_API int ziv_trace_write(ziv_trace* trace, int32_t elapsed_ms, const float* spectrum);
/* Closes either kind; for a trace being written, an error when anything failed to reach the file. */
ZIV_API int ziv_trace_close(ziv_trace* trace);

/* The latest failure of a call in this thread, on one line ("" if none). */
ZIV_API const char* ziv_last_error(void);
ZIV_API const char* ziv_strerror(int code);

#ifdef __cplusplus
}
#endif

#endif
