#pragma once

#include "index/backlinks.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The UTF-8 result page that lists the backlinks shown of domain, numbered from the 1-based result
// number start on, under the stated total claimed. Each result is a line "K. <a href=...>title</a>"
// followed by a line with its snapshot link; nothing else on the page has the shape
// "x <a ...>...</a>" on one line, since the tool takes every such shape for a result.
QByteArray resultPage(const QString &domain, qint64 claimed, const std::vector<linkindex::Backlink> &shown, int start);
