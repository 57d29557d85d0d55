// The identifier helpers under the public prefix; add nothing.
#pragma once

#include "Analytics/Engine/APMIdentifiers.h"

class QRVAIdentifiers : public APMIdentifiers {
 public:
  using APMIdentifiers::APMIdentifiers;
};
