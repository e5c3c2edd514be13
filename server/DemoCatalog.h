#pragma once

#include "LibraryStore.h"

#include <cstddef>
#include <functional>
#include <string>

namespace kalvuno::server {

// Fills an empty catalog with demo songs of every kind, made here and now as
// real media files in mediaDir (nothing is downloaded), with plays spread over
// the last weeks so that ranks exist. False with the reason in error.
// progress is told after each media file, from the threads that make them,
// one call at a time.
using DemoProgress = std::function<void(size_t made, size_t total)>;
bool createDemoCatalog(SongWriter &store, const std::string &mediaDir, int32_t today, std::string &error,
                       const DemoProgress &progress = {});

} // namespace kalvuno::server
