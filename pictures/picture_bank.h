// The pictures the show draws with, decoded once at start-up.
//
//   loadPictureBank();                 // all 36 pictures valid from here on
//   const Picture& p = PictureSetA[3];
#pragma once
#include "pictures/picture.h"

inline constexpr int kPictureSetASize = 9;
inline constexpr int kPictureSetBSize = 19;

extern Picture Picture1, Picture2, Picture3, Picture4, Picture5, Picture6, Picture7, Picture8;
extern Picture PictureSetA[kPictureSetASize];
extern Picture PictureSetB[kPictureSetBSize];

void loadPictureBank();
