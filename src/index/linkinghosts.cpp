#include "linkinghosts.h"

#include "hostkey.h"

namespace linkindex {

std::vector<std::string> linkingHosts(Database &db, std::string_view host)
{
    Statement hosts(db, "SELECT DISTINCT s.reversed FROM hosts t JOIN backlinks b ON b.host_id = t.id "
                        "JOIN hosts s ON s.id = b.source_host_id "
                        "WHERE t.reversed >= ?1 AND t.reversed < ?2 AND b.live AND NOT (s.reversed >= ?1 AND s.reversed < ?2)");
    const auto [first, last] = domainKeyRange(host);
    hosts.bind(1, first).bind(2, last);
    std::vector<std::string> found;
    while (hosts.step())
        found.push_back(hostFromKey(hosts.text(0)));
    return found;
}

} // namespace linkindex
