#include "Facility/Widgets/SuperNavigationController.h"

SuperNavigationController::~SuperNavigationController() = default;
