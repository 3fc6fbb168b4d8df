#pragma once

#include "sqlite.h"

#include <memory>
#include <string>

namespace linkindex {

// Opens a link index: for writing it is created when missing, with its folder; for reading it
// must exist. A file that is not a Linkvane index is refused with an IndexError, never changed.
std::unique_ptr<Database> openIndex(const std::string &path, Database::Access access);

} // namespace linkindex
