#include "doubles/synthetic_pictures.h"

#include "pictures/picture_bank.h"

namespace ziv::test {

int32_t syntheticPictureValue(int32_t id, int32_t index) {
    // 7 * id differs mod 256 for every id below 37, so at any index all pictures differ.
    return (id * 7 + index * 13 + (index / kPictureWidth) * 5) & 0xFF;
}

void fillSyntheticPicture(Picture& picture, int32_t id) {
    for (int32_t i = 0; i < kPicturePixels; ++i) picture[i] = syntheticPictureValue(id, i);
}

namespace {
Picture* const numbered[8] = {&Picture1, &Picture2, &Picture3, &Picture4,
                              &Picture5, &Picture6, &Picture7, &Picture8};
}

void fillSyntheticPictures() {
    for (int32_t n = 0; n < 8; ++n) fillSyntheticPicture(*numbered[n], n + 1);
    for (int32_t k = 0; k < kPictureSetASize; ++k) fillSyntheticPicture(PictureSetA[k], 10 + k);
    for (int32_t k = 0; k < kPictureSetBSize; ++k) fillSyntheticPicture(PictureSetB[k], 20 + k);
}

int32_t syntheticPictureId(const Picture& picture) {
    for (int32_t id = 1; id < 20 + kPictureSetBSize; ++id) {
        bool same = true;
        for (int32_t i = 0; i < kPicturePixels && same; ++i) same = picture[i] == syntheticPictureValue(id, i);
        if (same) return id;
    }
    return -1;
}

void fillWithIndices(Picture& picture, int32_t offset) {
    for (int32_t i = 0; i < kPicturePixels; ++i) picture[i] = offset + i;
}

}  // namespace ziv::test
