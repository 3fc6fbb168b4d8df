#include "releasechoice.h"

#include "grapherror.h"
#include "sitename.h"

namespace graph {

std::shared_ptr<const Release> chooseRelease(const GraphStore &store, const std::optional<std::string> &name,
                                             std::optional<Level> level, const std::string &host,
                                             const ReleaseOpener &open)
{
    const std::vector<GraphStore::Stored> stored = store.releases();
    if (stored.empty())
        throw GraphError("there is no web graph in " + store.folder() + " yet: add one with linkvane-index add-graph");
    const std::string release = name.value_or(stored.front().release);
    std::vector<std::shared_ptr<const Release>> levels; // domain level first
    for (const GraphStore::Stored &each : stored)
        if (each.release == release && (!level || each.level == *level))
            levels.push_back(open(each));
    if (levels.empty())
        throw GraphError("there is no " + release + (level ? " at " + levelName(*level) + " level" : std::string())
                         + " in " + store.folder());
    if (levels.size() > 1 && !levels.front()->find(reversedName(host)))
        return levels.back();
    return levels.front();
}

} // namespace graph
