#include "indexlocation.h"

#include <QStandardPaths>

namespace linkindex {

std::string defaultIndexPath()
{
    return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/linkvane/index.sqlite"))
        .toStdString();
}

} // namespace linkindex
