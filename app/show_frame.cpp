#include "app/show_frame.h"

// The stages are not built yet: a frame draws nothing.
void resetShowState() {}

FrameRecord runFrame(const float* /*spectrum*/, int32_t /*elapsedMs*/, uint32_t* /*pixels*/) { return {}; }
