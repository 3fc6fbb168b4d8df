#pragma once

#include "importer.h"
#include "index/indexwriter.h"

namespace indexer {

// Captures into the index, each input in one transaction.
class IndexSink : public CaptureSink
{
public:
    explicit IndexSink(linkindex::Database &db) : m_writer(db) { }

    void beginInput() override { m_writer.beginInput(); }
    linkindex::Added add(const linkindex::Capture &capture) override { return m_writer.add(capture); }
    int64_t linksAdded() const override { return m_writer.linksAdded(); }
    void commitInput(const InputReport &report) override;
    void abandonInput() override { m_writer.rollbackInput(); }

private:
    linkindex::IndexWriter m_writer;
};

} // namespace indexer
