#pragma once

#include "index/linkchanges.h"
#include "index/linkprofile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace report {

// One month of a domain's link profile.
struct Month
{
    std::string month;            // "2026-09"
    int64_t referringDomains = 0; // live at the month's end (or at the data's end in its last month)
    int64_t backlinks = 0;        // live links at the same moment
    int64_t gained = 0;           // links first seen in the month
    int64_t lost = 0;             // links lost in the month
};

// A share of the live links, by a name the report shows: their rel set ("dofollow" for none,
// "nofollow", "nofollow ugc", …), or their type ("text", "image", "redirect").
struct Share
{
    std::string name;
    int64_t links = 0;
};

// Everything a report of a domain shows, as the index says it at one moment.
struct ReportData
{
    std::string domain;                 // as the user typed it
    std::optional<int64_t> dataEnd;     // the latest capture of a linking page; none for no data
    int64_t liveBacklinks = 0;          // live links to the domain
    int64_t referringDomains = 0;
    double dofollowShare = 0;           // of live links, 0 to 1
    int64_t gainedLast30Days = 0;       // in the 30 days up to dataEnd
    int64_t lostLast30Days = 0;
    std::vector<Month> months;          // oldest first, every month from the first link to dataEnd
    std::vector<Share> relMix;
    std::vector<Share> typeMix;
    std::vector<linkindex::ReferringDomain> topDomains;
    std::vector<linkindex::AnchorUse> topAnchors;
    std::vector<linkindex::LinkedPage> topPages;
    std::vector<linkindex::LinkedPage> brokenPages;       // linked pages whose latest capture is 404 or 410
    std::vector<linkindex::LinkChange> latestChanges;     // newest first
};

} // namespace report
