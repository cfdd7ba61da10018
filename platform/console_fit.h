// Where the console's picture goes on a display of another size.
//
//   PictureRect r = fitPicture(1920, 1080, 640, 480);   // {320, 60, 1280, 960}
//
// The picture keeps its aspect, centred, black bars around. When the
// display holds it at least twice, it grows by the largest whole factor so
// every pixel becomes an equal square block; otherwise it fills as much as
// the aspect allows (nearest neighbour still keeps the edges hard). Told not
// to keep whole factors, it always fills as much as the aspect allows.
#pragma once

struct PictureRect {
    int x, y, width, height;
};

PictureRect fitPicture(int displayWidth, int displayHeight, int pictureWidth, int pictureHeight, bool wholeFactors = true);
