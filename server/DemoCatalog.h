#pragma once

#include "CatalogStore.h"

#include <string>

namespace kalvuno::server {

// Fills an empty catalog with demo songs of every kind, made here and now as
// real media files in mediaDir (nothing is downloaded), with plays spread over
// the last weeks so that ranks exist. False with the reason in error.
bool createDemoCatalog(CatalogStore &store, const std::string &mediaDir, int32_t today, std::string &error);

} // namespace kalvuno::server
