// How a popup arrives on (and leaves) the overlay.
#pragma once

enum class PopUpPresentType { none, center, bottom, topToCenter, bottomToCenter, leftToCenter, rightToCenter };
