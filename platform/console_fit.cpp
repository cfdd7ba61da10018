#include "platform/console_fit.h"

#include <algorithm>
#include <cstdint>

PictureRect fitPicture(int displayWidth, int displayHeight, int pictureWidth, int pictureHeight, bool wholeFactors) {
    if (displayWidth <= 0 || displayHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) return {0, 0, 0, 0};
    const int factor = wholeFactors ? std::min(displayWidth / pictureWidth, displayHeight / pictureHeight) : 0;
    int64_t width, height;
    if (factor >= 2) {
        width = int64_t{pictureWidth} * factor;
        height = int64_t{pictureHeight} * factor;
    } else if (int64_t{displayWidth} * pictureHeight >= int64_t{displayHeight} * pictureWidth) {
        height = displayHeight;  // wider than the picture: bars left and right
        width = height * pictureWidth / pictureHeight;
    } else {
        width = displayWidth;
        height = width * pictureHeight / pictureWidth;
    }
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    return {(displayWidth - w) / 2, (displayHeight - h) / 2, w, h};
}
