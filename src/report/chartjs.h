#pragma once

#include <string>

namespace report {

// The build of Chart.js that defines the global Chart, where Debian's libjs-chart.js puts it.
inline constexpr char kChartJsPath[] = "/usr/share/javascript/chart.js/chart.min.js";

// Chart.js's source from kChartJsPath; throws std::runtime_error naming the file and the package
// to install when it cannot be read.
std::string readChartJs();

} // namespace report
