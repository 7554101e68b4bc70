// What the control wrappers' source files share among themselves.
#pragma once

namespace vb::controls_internal {

// A position or size in pixels: rounded as the runtime rounds, held to ±10 000 000, 0 for a
// value that is not finite.
int whole(double v);

}  // namespace vb::controls_internal
