// The rotating picture scene of frames without a peak whose SceneSelector is 0 or 1.
//
//   int32_t row = drawRotatingScene(elapsedMs);   // row of the table below; SceneBuffer filled
//   rotatePicture(Picture8, SceneBuffer, 1500.0f, 3000.0f);  // half a radian, twofold magnified
//   RotationTerms t = rotationTerms(1500.0f, 3000.0f);         // the cos and sin that turn uses
//
// Table (row = SceneSelector * 3 + PictureSelector): Picture8, Picture2, Picture1 (inv44to46
// halved), Picture3 (turning the other way), Picture2, Picture1 (inv44to46 halved). The angle
// is elapsedMs / 3000 radians, so the turn is continuous across frames and picture changes.
#pragma once
#include <cstdint>

#include "pictures/picture.h"

struct RotatingSceneRow {
    const Picture* picture;
    bool negatedAngle;     // turns counter-clockwise
    bool halvesInv44to46;  // for the rest of the frame, which the trail rows of the output read
};

inline constexpr int kRotatingSceneRows = 6;
extern const RotatingSceneRow RotatingSceneTable[kRotatingSceneRows];
// The PictureSelector value whose picture (Picture1) lights most of the
// frame in both scenes; 0 turns the darkest (Picture8, Picture3). For
// whatever steers the selector towards a lit screen.
inline constexpr int32_t kBrightestPicture = 2;

// cos of the angle rounded to a float, sin kept in double; both the same bits in every build.
struct RotationTerms {
    float cosine;
    double sine;
};

int32_t drawRotatingScene(int32_t elapsedMs);
RotationTerms rotationTerms(float numerator, float divisor);
void rotatePicture(const Picture& source, Picture& destination, float numerator, float divisor);
