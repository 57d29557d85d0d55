#include "Analytics/Engine/APMSearchAdReporter.h"

APMSearchAdReporter::APMSearchAdReporter(std::shared_ptr<APMScheduler> workerQueue,
                                         std::shared_ptr<APMPersistedConfig> persistedConfig)
    : workerQueue_(std::move(workerQueue)), persistedConfig_(std::move(persistedConfig)) {}
