#pragma once

#include "sqlite.h"

#include <string>
#include <string_view>
#include <vector>

namespace linkindex {

// The hosts of the pages that link to host or to a host under it, pages there left out: the
// sites a domain's page-level backlinks come from, as the window lists them (pages that link no
// more left out too).
std::vector<std::string> linkingHosts(Database &db, std::string_view host);

} // namespace linkindex
