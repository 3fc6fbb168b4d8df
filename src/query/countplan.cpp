#include "countplan.h"

#include "linksearch.h"
#include "platform/runtimeerror.h"
#include "split.h"

#include <QLocale>

#include <cmath>

namespace {

double readNumber(const QString &text)
{
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        throw RuntimeError::typeMismatch();
    return value;
}

} // namespace

QString cutCountText(const QString &page)
{
    return piece(piece(page, linksearch::kCountMarker, 1), u"<", 0);
}

int pagesToWalk(QString countText)
{
    if (readNumber(countText) > 900)
        countText = QStringLiteral("900");
    if (readNumber(countText) < 50)
        countText = QStringLiteral("0");
    // nearbyint in the default rounding mode takes a half to the even neighbour.
    return int(std::nearbyint(readNumber(countText) / linksearch::kPageSize));
}
