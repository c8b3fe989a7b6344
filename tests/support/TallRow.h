#pragma once
// A document for the tests of table rows taller than a page, with words that show order and
// repeats when read back from an output.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tallrow {

// Rich text of a table whose middle row runs over about three pages: its first cell holds
// one-word paragraphs a000..a199, its second larger ones g000..g059.
inline QByteArray document(QStringList &first, QStringList &second)
{
    auto words = [](char prefix, int n, QStringList &list) {
        for (int i = 0; i < n; ++i)
            list << QLatin1Char(prefix) + QString::number(i).rightJustified(3, QLatin1Char('0'));
        return list.join(QStringLiteral("\\par ")).toLatin1();
    };
    const QByteArray row = "\\trowd\\trgaph108\\clbrdrt\\brdrs\\clbrdrb\\brdrs\\cellx3000"
                           "\\clbrdrt\\brdrs\\clbrdrb\\brdrs\\cellx9000 ";
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\fs24 \\pard Before.\\par " + row
        + "\\pard\\intbl one\\cell\\pard\\intbl two\\cell\\row " + row + "\\pard\\intbl "
        + words('a', 200, first) + "\\cell\\pard\\intbl\\fs40 " + words('g', 60, second)
        + "\\fs24\\cell\\row " + row + "\\pard\\intbl three\\cell\\pard\\intbl four\\cell\\row"
          "\\pard After.\\par}";
}

} // namespace tallrow
