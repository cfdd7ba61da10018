// Frames drawn into several buffers in turn (a host's own buffers, such as ziv-render's
// writer slots, so no frame is copied to be handed on) still come out, each, as the one
// surface of the show would hold them. libziv keeps one for a show that draws into the
// caller's buffers (ziv_set_surface).
//
//   SurfaceRotation rotation;                         // every buffer starts zeroed, as a new surface
//   const FrameRecord r = runFrame(spectrum, ms, pixels);
//   rotation.drawn(pixels, r.fullColourRows);         // pixels now hold exactly what one surface would
//
// A frame without full colour rows keeps the even columns of those rows from the frame
// before (output/frame_output.h). They change only on frames with full colour rows, so
// a buffer takes them from the frame before only when such a frame came after it was
// last brought up to date: once per buffer per change, not once per frame.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

class SurfaceRotation {
public:
    void drawn(uint32_t* pixels, bool fullColourRows);
    int64_t carries() const { return carries_; }   // how often pixels were taken from the frame before

private:
    const uint32_t* previous_ = nullptr;
    int64_t changes_ = 0;                            // frames with full colour rows so far
    int64_t carries_ = 0;
    std::vector<std::pair<const uint32_t*, int64_t>> upToDate_;   // buffer, changes_ it holds
};
