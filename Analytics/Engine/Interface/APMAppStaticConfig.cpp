#include "Analytics/Engine/Interface/APMAppStaticConfig.h"

APMAppStaticConfig& APMAppStaticConfig::sharedInstance() {
  static APMAppStaticConfig* shared = new APMAppStaticConfig;
  return *shared;
}
