// How a video layer fits its picture into its bounds.
#pragma once

namespace avfoundation {

inline constexpr const char* kLayerVideoGravityResizeAspect = "AVLayerVideoGravityResizeAspect";
inline constexpr const char* kLayerVideoGravityResizeAspectFill = "AVLayerVideoGravityResizeAspectFill";

}  // namespace avfoundation
