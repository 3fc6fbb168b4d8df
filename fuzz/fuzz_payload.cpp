// Bytes as a response record's block could hold them: the HTTP response read, its transfer and
// content codings undone with a cap.
#include "archive/errors.h"
#include "archive/httpresponse.h"
#include "archive/payload.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr std::size_t kCap = 1 << 20;
    std::string block(reinterpret_cast<const char *>(data), size);
    const std::optional<archive::HttpResponse> response = archive::parseHttpResponse(block);
    if (!response)
        return 0;
    if (response->status < 0 || response->status > 999 || response->body.size() > block.size())
        std::abort();
    archive::PayloadDecoder decoder(kCap);
    try {
        const archive::Payload payload = decoder.decode(*response);
        if (payload.bytes.size() > kCap)
            std::abort();
    } catch (const archive::ContentError &) {
    }
    return 0;
}
