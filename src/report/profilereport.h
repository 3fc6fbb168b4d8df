#pragma once

#include "index/sqlite.h"
#include "reportdata.h"

#include <string>
#include <string_view>

namespace report {

// What a report of a domain shows, read from the index in one read transaction. host is the
// domain as domainHost gives it, typed as the user typed it.
ReportData profileReport(linkindex::Database &db, std::string_view host, const std::string &typed);

} // namespace report
