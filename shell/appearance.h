#pragma once

namespace shell {

// Display settings the drawing reads: overlays, broken markers and trails.
struct Appearance {
    float lockedOverlayOpacity = 0.3f;
    float lockedOverlayBrightness = 0.5f;
    float brokenMarkerOpacity = 0.45f;
    float brokenMarkerBrightness = 0.62f;
    float trailOpacity = 0.5f;
    int trailKeyframeAge = 32;
    float trailKeyframeBrightness = 0.4f;
};

}  // namespace shell
