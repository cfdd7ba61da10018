// The pictures the show draws with, decoded once at start-up.
//
//   loadPictureBank();                 // all 36 pictures valid from here on
//   const Picture& p = PictureSetA[3];
//
//   useStreamOpener(failingOpener);    // tests and benchmarks: how each block's stream is opened
//   useStreamOpener(nullptr);          // back to openMemoryStream
#pragma once
#include "pictures/picture.h"
#include "pictures/read_stream.h"

inline constexpr int kPictureSetASize = 9;
inline constexpr int kPictureSetBSize = 19;
inline constexpr int kPictureBankSize = 8 + kPictureSetASize + kPictureSetBSize;

extern Picture Picture1, Picture2, Picture3, Picture4, Picture5, Picture6, Picture7, Picture8;
extern Picture PictureSetA[kPictureSetASize];
extern Picture PictureSetB[kPictureSetBSize];

void loadPictureBank();

// One decode step: which picture is filled from which block (numbered from 1).
struct PictureDecodeStep {
    Picture* picture;
    int block;
    const char* name;
};
// The 36 steps in the order loadPictureBank runs them.
const PictureDecodeStep* pictureDecodeSteps();

// Opens one block's stream; returns a stream made with new, or null when it cannot.
using StreamOpener = MemoryStream* (*)(const uint8_t* data, int32_t size);
void useStreamOpener(StreamOpener opener);
