// Stands in for the decoded picture bank: every picture gets its own recognisable pattern.
//
//   fillSyntheticPictures();                  // all 36 pictures, values 0..255
//   int id = syntheticPictureId(PictureSetA[3]);  // which picture a buffer was copied from, or -1
//   fillWithIndices(Picture8, 1000000);       // picture[i] = offset + i, to read source indices back
#pragma once
#include <cstdint>

#include "pictures/picture.h"

namespace ziv::test {

// Ids: Picture1..8 are 1..8, PictureSetA[k] is 10 + k, PictureSetB[k] is 20 + k.
int32_t syntheticPictureValue(int32_t id, int32_t index);
void fillSyntheticPicture(Picture& picture, int32_t id);
void fillSyntheticPictures();
int32_t syntheticPictureId(const Picture& picture);
void fillWithIndices(Picture& picture, int32_t offset);

}  // namespace ziv::test
