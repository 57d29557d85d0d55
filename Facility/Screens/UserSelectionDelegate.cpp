#include "Facility/Screens/UserSelectionDelegate.h"
