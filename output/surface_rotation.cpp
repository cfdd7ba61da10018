#include "output/surface_rotation.h"

#include "output/frame_output.h"

void SurfaceRotation::drawn(uint32_t* pixels, bool fullColourRows) {
    int64_t* held = nullptr;
    for (auto& [buffer, changes] : upToDate_)
        if (buffer == pixels) held = &changes;
    if (!held) {   // a buffer not seen before is as new as the first surface
        upToDate_.emplace_back(pixels, 0);
        held = &upToDate_.back().second;
    }
    if (fullColourRows) {
        ++changes_;   // every column of the colour rows written: nothing to carry
    } else if (*held != changes_ && previous_ && pixels != previous_) {
        carryKeptColumns(previous_, pixels);
        ++carries_;
    }
    *held = changes_;
    previous_ = pixels;
}
