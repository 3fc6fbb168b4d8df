// A version file as the vendor's server could send it: decoded as gb2312, its first line taken
// and compared with this build's version.
#include "form/updatecheck.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    const FetchedPage file{BytesToBstr(body, "gb2312"), 200};
    const std::optional<QString> latest = latestVersionText(file);
    if (!latest || latest->contains(u'\n') || !file.text.startsWith(*latest))
        std::abort();
    if (*latest == ownVersionText() && !body.startsWith("8.7"))
        std::abort();
    return 0;
}
