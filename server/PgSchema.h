#pragma once

#include "PgConnection.h"

#include <string>

namespace kalvuno::server {

// Brings the database's schema to the version this service needs, one
// migration at a time, each in its own transaction. Several processes may
// start at once: they take turns. False with the reason in error.
bool migratePgSchema(PgConnection &db, std::string &error);

} // namespace kalvuno::server
