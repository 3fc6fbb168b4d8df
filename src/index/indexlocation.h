#pragma once

#include <string>

namespace linkindex {

// Where a user's index lives unless told otherwise: $XDG_DATA_HOME/linkvane/index.sqlite, that is
// ~/.local/share/linkvane/index.sqlite by default.
std::string defaultIndexPath();

} // namespace linkindex
