// The 36 pictures the generator draws (Picture5 is Picture2's block again, so 35 drawings).
//
//   Grey p1 = drawSoftLight();
//   Grey a3 = drawSurface(3);    // PictureSetA[3]
//   Grey b7 = drawCollage(7);    // PictureSetB[7]
#pragma once
#include "tools/ziv-pictures/canvas.h"

Grey drawSoftLight();   // Picture1: soft, blurred light texture
Grey drawRings();       // Picture2: dark radial rings around the centre
Grey drawDarkClouds();  // Picture3
Grey drawMidClouds();   // Picture4
Grey drawFineNoise();   // Picture6
Grey drawLandscape();   // Picture7: bright, high-contrast landscape
Grey drawDashRing();    // Picture8: almost black, a loose ring of bright dashes
Grey drawSurface(int index);  // PictureSetA: a street, then stone, rock and bark close-ups
Grey drawCollage(int index);  // PictureSetB: dark collages of trees, buildings, cables, lettering, a face

// A branching tree silhouette growing from (x, y) at angle (radians, 0 = up).
void drawTree(Canvas& c, Rect clip, Rng& rng, double x, double y, double length, double angle, double width,
              int depth, double value);
