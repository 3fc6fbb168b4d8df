#pragma once

#include <QString>
#include <QStringView>

// Every match of myPattern in myString, left to right and without overlap, each followed by
// CR LF; "匹配失败" (no CR LF) when the pattern matches nowhere. Letters match regardless of
// case, "." matches anything but LF, "\w" is ASCII. Matching takes time linear in the text.
// A pattern the engine rejects throws RuntimeError.
QString TestRegExp(QStringView myPattern, QStringView myString);

// The no-match text.
inline constexpr QStringView kNoMatch = u"匹配失败";
