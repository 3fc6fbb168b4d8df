#include "readinputs.h"

#include <csignal>
#include <stdexcept>
#include <thread>

#include <unistd.h>

namespace indexer {

namespace {

std::atomic<bool> g_stopAsked = false;

void askToStop(int signal)
{
    g_stopAsked = true;
    std::signal(signal, SIG_DFL);
}

void printSummary(std::FILE *out, const std::vector<InputReport> &reports)
{
    for (const InputReport &report : reports) {
        std::fprintf(out, "%s: %s records read, %s pages added", report.name.c_str(),
                     groupedNumber(report.records).c_str(), groupedNumber(report.pagesAdded).c_str());
        if (report.pagesRecaptured)
            std::fprintf(out, ", %s captured again", groupedNumber(report.pagesRecaptured).c_str());
        std::fprintf(out, ", %s links added%s\n", groupedNumber(report.linksAdded).c_str(),
                     report.added ? "" : " (not added)");
        if (report.skipped.empty())
            continue;
        std::fputs("  skipped:", out);
        const char *separator = " ";
        for (const auto &[why, count] : report.skipped) {
            std::fprintf(out, "%s%s %s", separator, groupedNumber(count).c_str(), why.c_str());
            separator = ", ";
        }
        std::fputc('\n', out);
    }
    std::fflush(out);
}

} // namespace

const std::atomic<bool> &stopOnSignals()
{
    std::signal(SIGINT, askToStop);
    std::signal(SIGTERM, askToStop);
    return g_stopAsked;
}

unsigned workerThreads(unsigned asked)
{
    return asked ? asked : std::max(1u, std::thread::hardware_concurrency());
}

ProgressLine::Mode progressMode(bool quiet)
{
    if (quiet)
        return ProgressLine::Mode::Silent;
    return isatty(STDERR_FILENO) ? ProgressLine::Mode::Live : ProgressLine::Mode::Lines;
}

int readInputs(Importer &importer, const std::vector<std::string> &inputs, std::FILE *summaryOut,
               const std::string &abandoned)
{
    std::vector<InputReport> reports;
    int status = 0;
    for (auto input = inputs.begin(); input != inputs.end(); ++input) {
        try {
            reports.push_back(importer.read(*input));
        } catch (const Interrupted &) {
            std::fprintf(stderr, "\nlinkvane-index: interrupted: %s %s\n", input->c_str(), abandoned.c_str());
            printSummary(summaryOut, reports);
            return 130;
        } catch (const std::runtime_error &error) {
            std::fprintf(stderr, "\nlinkvane-index: %s\nlinkvane-index: %s %s\n", error.what(), input->c_str(),
                         abandoned.c_str());
            // The index or the output failed, not the input: the inputs after it are not read, where
            // a damaged input would leave them to be read as usual.
            for (auto unread = input + 1; unread != inputs.end(); ++unread)
                std::fprintf(stderr, "linkvane-index: %s was not read\n", unread->c_str());
            status = 1;
            break;
        }
        const InputReport &report = reports.back();
        if (!report.error.empty()) {
            std::fprintf(stderr, "linkvane-index: %s: %s%s\n", input->c_str(), report.error.c_str(),
                         report.added ? " (what came before it was read)" : "");
            status = 1;
        }
    }
    printSummary(summaryOut, reports);
    return status;
}

} // namespace indexer
