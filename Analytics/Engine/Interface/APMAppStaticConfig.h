// The engine's static configuration; one shared instance without state of its own.
#pragma once

class APMAppStaticConfig {
 public:
  static APMAppStaticConfig& sharedInstance();
};
