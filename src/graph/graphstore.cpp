#include "graphstore.h"

#include "grapherror.h"
#include "releasefiles.h"
#include "releasename.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace graph {

namespace {

// Folders of adds in progress and of releases being removed: ".new-<pid>-…", ".old-<pid>-…".
constexpr std::string_view kBuilding = ".new-";
constexpr std::string_view kRemoving = ".old-";

bool processGone(std::string_view name)
{
    const pid_t pid = std::atoi(std::string(name).c_str());
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

std::string folderName(const std::string &release, Level level)
{
    return release + "." + levelName(level);
}

void removeAll(const fs::path &path)
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

} // namespace

GraphStore::GraphStore(const std::string &indexPath) : m_folder(indexPath + "-graphs") { }

std::vector<GraphStore::Stored> GraphStore::releases() const
{
    std::vector<Stored> found;
    std::error_code error;
    for (fs::directory_iterator entry(m_folder, error); !error && entry != fs::directory_iterator();
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const size_t dot = name.rfind('.');
        if (name.starts_with('.') || dot == std::string::npos || !fs::exists(entry->path() / files::kMeta))
            continue;
        const std::string level = name.substr(dot + 1);
        if (level != "domain" && level != "host")
            continue;
        found.push_back({name.substr(0, dot), level == "host" ? Level::Host : Level::Domain, entry->path().string()});
    }
    std::sort(found.begin(), found.end(), [](const Stored &a, const Stored &b) {
        const auto orderA = releaseOrder(a.release), orderB = releaseOrder(b.release);
        return orderA != orderB ? orderA > orderB : a.level < b.level;
    });
    return found;
}

std::string GraphStore::startBuild() const
{
    std::error_code error;
    fs::create_directories(m_folder, error);
    if (error)
        throw GraphError("cannot create the folder " + m_folder + ": " + error.message());
    for (fs::directory_iterator entry(m_folder, error); !error && entry != fs::directory_iterator();
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        for (std::string_view leftover : {kBuilding, kRemoving})
            if (name.starts_with(leftover) && processGone(std::string_view(name).substr(leftover.size())))
                removeAll(entry->path());
    }
    const std::string built = m_folder + "/" + std::string(kBuilding) + std::to_string(::getpid());
    removeAll(built);
    fs::create_directory(built, error);
    if (error)
        throw GraphError("cannot create the folder " + built + ": " + error.message());
    return built;
}

void GraphStore::put(const std::string &built, const std::string &release, Level level) const
{
    const std::string place = m_folder + "/" + folderName(release, level);
    // Exchanged with a release of the same name in one step: readers see the old or the new.
    if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, place.c_str(), RENAME_EXCHANGE) == 0) {
        removeAll(built);
        return;
    }
    if (errno != ENOENT || ::rename(built.c_str(), place.c_str()) != 0)
        throw GraphError("cannot move the release into " + place + ": " + std::strerror(errno));
}

void GraphStore::discard(const std::string &built) const
{
    removeAll(built);
}

bool GraphStore::remove(const std::string &release, std::optional<Level> level) const
{
    bool removed = false;
    for (Level each : {Level::Domain, Level::Host}) {
        if (level && *level != each)
            continue;
        const std::string place = m_folder + "/" + folderName(release, each);
        const std::string removing = m_folder + "/" + std::string(kRemoving) + std::to_string(::getpid());
        if (::rename(place.c_str(), removing.c_str()) == 0) {
            removeAll(removing);
            removed = true;
        } else if (errno != ENOENT) {
            throw GraphError("cannot remove " + place + ": " + std::strerror(errno));
        }
    }
    return removed;
}

} // namespace graph
