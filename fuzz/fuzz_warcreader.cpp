// Bytes as an input file could hold them, through what the importer does with one before any
// HTTP: the compression told and undone, every record's header, every block read with a cap.
#include "archive/decodingsource.h"
#include "archive/errors.h"
#include "archive/memorysource.h"
#include "archive/warcreader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr std::size_t kCap = 1 << 16;
    archive::MemorySource raw(std::string_view(reinterpret_cast<const char *>(data), size));
    std::string block;
    try {
        archive::DecodingSource decoded(raw);
        archive::WarcReader reader(decoded);
        std::uint64_t number = 0;
        while (const archive::WarcRecord *record = reader.next()) {
            if (record->number() != ++number || record->targetUri().size() > kCap)
                std::abort();
            record->date();
            const bool cut = reader.readBlock(block, kCap);
            if (block.size() > kCap || cut != (record->contentLength() > kCap))
                std::abort();
        }
    } catch (const archive::InputError &) {
    }
    return 0;
}
