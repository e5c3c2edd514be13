#pragma once

#include "Catalog.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kalvuno::server {

// "%XX" becomes its byte; a "%" without two hexadecimal digits stays, and so does "+".
std::string percentDecode(std::string_view text);

// The part of a request target after its "?".
std::string_view queryOf(std::string_view target);

// key=value pairs split at "&" and the first "=", keys and values decoded.
std::vector<std::pair<std::string, std::string>> splitQuery(std::string_view query);

// Reads a search query (Max, Sort, Artist, Title, Genre, Open, Ext; other
// keys are ignored). Values may be CP932 bytes, raw or percent-encoded.
// Returns false with the reason for a malformed query.
bool parseSearchRequest(std::string_view query, SearchRequest &request, std::string &error);

} // namespace kalvuno::server
