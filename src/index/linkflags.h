#pragma once

#include "links/page.h"

#include <cstdint>

namespace linkindex {

// A link's rel set and type as the index keeps them, in one integer (schema.cpp).
int64_t linkFlags(const links::Rel &rel, links::LinkType type);
links::Rel relOfFlags(int64_t flags);
links::LinkType typeOfFlags(int64_t flags);

} // namespace linkindex
