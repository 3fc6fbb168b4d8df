#pragma once

#include "reportdata.h"

#include <string>
#include <string_view>

namespace report {

// A domain's report as one HTML5 page in UTF-8 that needs nothing else to be seen: the summary and
// the tables written out, the charts drawn by chartJs (Chart.js's source, readChartJs()) from
// the data in the page. Text from the index (domains, anchors, URLs) stays text, and the page's
// policy lets no script run but its own. Once the charts are drawn, <html> carries
// data-rendered="1"; a script error or a blocked script is recorded in its data-errors.
std::string htmlReport(const ReportData &data, std::string_view chartJs);

} // namespace report
