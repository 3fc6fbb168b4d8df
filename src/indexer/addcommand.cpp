#include "commands.h"

#include "folderinputs.h"
#include "index/schema.h"
#include "indexsink.h"
#include "readinputs.h"

namespace indexer {

int add(const std::string &index, const std::vector<std::string> &inputs, unsigned threads, bool quiet)
{
    std::unique_ptr<linkindex::Database> db;
    try {
        db = linkindex::openIndex(index, linkindex::Database::Access::ReadWrite);
    } catch (const linkindex::IndexError &error) {
        std::fprintf(stderr, "linkvane-index: %s\n", error.what());
        return 1;
    }
    const std::atomic<bool> &stopAsked = stopOnSignals();
    IndexSink sink(*db);
    ProgressLine progress(stderr, progressMode(quiet));
    Importer importer(sink, workerThreads(threads), progress, stopAsked);
    return readInputs(importer, withFolderParts(inputs), stdout, "was not added: the index is as it was before it");
}

} // namespace indexer
