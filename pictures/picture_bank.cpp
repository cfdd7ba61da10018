#include "pictures/picture_bank.h"

Picture Picture1, Picture2, Picture3, Picture4, Picture5, Picture6, Picture7, Picture8;
Picture PictureSetA[kPictureSetASize];
Picture PictureSetB[kPictureSetBSize];

// The embedded pictures are not built yet: the bank stays all zero.
void loadPictureBank() {}
