/* wav_frames: a 16-bit PCM WAV file in, the show's frames out (640x480, 4 bytes a pixel, 0x00RRGGBB little-endian).
 *   cc wav_frames.c $(pkg-config --cflags --libs ziv) -o wav_frames && ./wav_frames song.wav 60 > frames.raw */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <ziv/ziv.h>

static unsigned le(const unsigned char* p, int n) { unsigned v = 0; while (n--) v = v << 8 | p[n]; return v; }

int main(int argc, char** argv) {
    static uint32_t pixels[ZIV_WIDTH * ZIV_HEIGHT];
    unsigned char h[8], fmt[16] = {0};
    FILE* in = argc == 3 ? fopen(argv[1], "rb") : NULL;
    if (!in || fread(h, 1, 4, in) != 4 || memcmp(h, "RIFF", 4) || fseek(in, 12, SEEK_SET)) return fprintf(stderr, "usage: wav_frames FILE.wav FPS\n"), 2;
    while (fread(h, 1, 8, in) == 8 && memcmp(h, "data", 4)) {     /* to the samples, keeping the format */
        unsigned size = le(h + 4, 4), take = !memcmp(h, "fmt ", 4) && size >= 16 ? 16 : 0;
        if (fread(fmt, 1, take, in) != take || fseek(in, (long)(size - take + (size & 1)), SEEK_CUR)) break;
    }
    unsigned channels = le(fmt + 2, 2), rate = le(fmt + 4, 4), bytes = le(h + 4, 4);
    int16_t* samples = memcmp(h, "data", 4) || le(fmt, 2) != 1 || le(fmt + 14, 2) != 16 || !channels ? NULL : malloc(bytes + 2);
    if (!samples || fread(samples, 1, bytes, in) != bytes) return fprintf(stderr, "wav_frames: '%s' is not 16-bit PCM WAV\n", argv[1]), 1;
    ziv_options options;
    ziv_options_init(&options);
    options.fps = atoi(argv[2]);
    ziv_show* show;
    int64_t heard;
    if (ziv_create(&options, &show) || ziv_feed_s16(show, samples, bytes / 2 / channels, (int)rate, (int)channels) || ziv_fed_samples(show, &heard))
        return fprintf(stderr, "wav_frames: %s\n", ziv_last_error()), 1;
    for (int64_t n = 0; n * ZIV_SAMPLE_RATE / options.fps <= heard; ++n)   /* every frame the file reaches */
        if (ziv_set_frame(show, n) || ziv_draw_frame(show, pixels) || fwrite(pixels, 4, ZIV_WIDTH * ZIV_HEIGHT, stdout) != ZIV_WIDTH * ZIV_HEIGHT)
            return fprintf(stderr, "wav_frames: %s\n", ziv_last_error()), 1;
    ziv_destroy(show);
    return 0;
}
