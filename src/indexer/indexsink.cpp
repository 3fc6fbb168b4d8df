#include "indexsink.h"

namespace indexer {

void IndexSink::commitInput(const InputReport &report)
{
    m_writer.commitInput(report.name, report.records, report.pagesAdded + report.pagesRecaptured, report.linksAdded);
}

} // namespace indexer
