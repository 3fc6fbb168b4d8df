#include "chartjs.h"

#include <QFile>

#include <stdexcept>

namespace report {

std::string readChartJs()
{
    QFile file(QString::fromUtf8(kChartJsPath));
    QByteArray source;
    if (file.open(QIODevice::ReadOnly))
        source = file.readAll();
    if (file.error() != QFileDevice::NoError || source.isEmpty())
        throw std::runtime_error(std::string("cannot read Chart.js at ") + kChartJsPath + " ("
                                 + (source.isEmpty() && file.error() == QFileDevice::NoError ? std::string("empty")
                                                                                               : file.errorString().toStdString())
                                 + "): install libjs-chart.js");
    return source.toStdString();
}

} // namespace report
