// Where a toast sits on its screen.
#pragma once

enum class ToastPosition { top, center, bottom };
