#include "scenes/scene_buffer.h"

SceneImage SceneBuffer{};
