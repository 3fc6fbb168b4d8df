#pragma once

#include "graphlines.h"

#include <optional>
#include <string>
#include <vector>

namespace graph {

// The web-graph releases of an index, in a folder beside it ("index.sqlite-graphs"): a folder
// each release and level ("cc-main-2025-mar-apr-may.domain"), built under a temporary name and
// moved into place whole, so that a reader (linkvane-service) finds a release complete or not at
// all, and an add that is killed leaves the releases as they were.
class GraphStore
{
public:
    explicit GraphStore(const std::string &indexPath);

    struct Stored
    {
        std::string release;
        Level level;
        std::string folder;
    };
    // The complete releases, newest first (by the months of their crawls), domain before host.
    std::vector<Stored> releases() const;

    // An empty folder to build a release in, after removing what adds that were killed left.
    std::string startBuild() const;
    // Moves a built release into place, replacing one of the same release and level.
    void put(const std::string &built, const std::string &release, Level level) const;
    // Removes what startBuild made, on failure.
    void discard(const std::string &built) const;
    // Removes a release (both levels unless one is named); false when there was none.
    bool remove(const std::string &release, std::optional<Level> level) const;

    const std::string &folder() const { return m_folder; }

private:
    std::string m_folder;
};

} // namespace graph
