#include "Analytics/Storage/Experiments/APMETaskManagerDelegate.h"

bool APMETaskManagerDelegate::taskManagerShouldFetchExperiments(APMETaskManager&) { return true; }

void APMETaskManagerDelegate::taskManagerDidStartWithActivatedSnapshots(APMETaskManager&,
                                                                        const std::vector<APMESnapshot>&,
                                                                        const std::vector<APMESnapshot>&,
                                                                        const std::vector<APMESnapshot>&) {}

void APMETaskManagerDelegate::taskManagerDidFinishFetchingExperimentSnapshots(APMETaskManager&,
                                                                              const std::vector<APMESnapshot>&,
                                                                              const std::map<std::string, APMError>&) {}

void APMETaskManagerDelegate::taskManagerDidUpsertPendingSnapshots(APMETaskManager&,
                                                                   const std::vector<APMESnapshot>&) {}
