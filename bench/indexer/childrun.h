#pragma once

#include <string>
#include <vector>

// A program run to its end as a child process, its output thrown away or kept in a file: the
// wall time and the peak resident memory the kernel counted for it alone.
struct ChildRun
{
    double ms = 0;
    double peakMb = 0;
    int status = -1; // exit status; -1 when it ended on a signal
};
ChildRun runChild(const std::vector<std::string> &argv, const std::string &output = "/dev/null");
