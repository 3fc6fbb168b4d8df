// Bytes as the block of a WAT metadata record could hold them, read as Common Crawl's JSON.
#include "archive/errors.h"
#include "archive/watrecord.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string json(reinterpret_cast<const char *>(data), size);
    archive::WatReader reader;
    try {
        const archive::WatRecord &record = reader.read(json);
        if (record.status && (*record.status < 0 || *record.status > 999))
            std::abort();
        if (record.links.size() > size)
            std::abort();
    } catch (const archive::ContentError &) {
    }
    return 0;
}
