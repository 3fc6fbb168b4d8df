#include "commands.h"

#include "index/domain.h"
#include "index/schema.h"
#include "report/chartjs.h"
#include "report/htmlreport.h"
#include "report/profilereport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace indexer {

int report(const std::string &index, const std::string &domain, const std::string &file)
{
    try {
        const std::optional<std::string> host = linkindex::domainHost(domain);
        if (!host)
            throw std::runtime_error("\"" + domain + "\" is not a domain");
        auto db = linkindex::openIndex(index, linkindex::Database::Access::ReadOnly);
        const std::string html = report::htmlReport(report::profileReport(*db, *host, domain), report::readChartJs());
        // Written beside its place and moved there, so that a report open in a browser is never
        // seen half written.
        const std::string writing = file + ".new";
        std::ofstream out(writing, std::ios::binary | std::ios::trunc);
        out << html;
        out.close();
        if (!out || std::rename(writing.c_str(), file.c_str()) != 0) {
            const int error = errno;
            std::remove(writing.c_str());
            throw std::runtime_error("cannot write " + file + ": " + std::strerror(error));
        }
        std::fprintf(stderr, "linkvane-index: wrote %s\n", file.c_str());
        return 0;
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "linkvane-index: %s\n", error.what());
        return 1;
    }
}

} // namespace indexer
