#pragma once

#include "importer.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace indexer {

// Set by Ctrl+C (SIGINT) or SIGTERM once this was called; a second signal ends the program at
// once.
const std::atomic<bool> &stopOnSignals();

// The threads to parse pages on: as asked, or one a core.
unsigned workerThreads(unsigned asked);

// How progress is shown on standard error: live on a terminal, a line an input elsewhere.
ProgressLine::Mode progressMode(bool quiet);

// Reads every input through the importer in turn, names each one that could not be read whole
// (and why) on standard error as it happens, and writes the summary to summaryOut at the end.
// abandoned says what became of an input when the importer stopped in its middle. Returns the
// exit status: 0 when every input was read whole, 1 when not, 130 when interrupted.
int readInputs(Importer &importer, const std::vector<std::string> &inputs, std::FILE *summaryOut,
               const std::string &abandoned);

} // namespace indexer
