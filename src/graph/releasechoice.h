#pragma once

#include "graphstore.h"
#include "release.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace graph {

using ReleaseOpener = std::function<std::shared_ptr<const Release>(const GraphStore::Stored &)>;

// The release a query of host reads: the newest in the store, or the one named; at the level
// asked, or else at domain level where host is one of its domains, else at host level where the
// release has one. Releases are opened through open (which may keep them open between queries).
// Throws GraphError saying what the store lacks.
std::shared_ptr<const Release> chooseRelease(const GraphStore &store, const std::optional<std::string> &name,
                                             std::optional<Level> level, const std::string &host,
                                             const ReleaseOpener &open);

} // namespace graph
