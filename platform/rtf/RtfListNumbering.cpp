#include "RtfListNumbering.h"

#include <algorithm>

namespace rtf {

namespace {

QString roman(int n)
{
    static const std::pair<int, const char *> parts[] = {
        {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"},
        {50, "L"}, {40, "XL"}, {10, "X"}, {9, "IX"}, {5, "V"}, {4, "IV"}, {1, "I"}};
    QString s;
    for (const auto &[value, text] : parts)
        for (; n >= value; n -= value)
            s += QLatin1String(text);
    return s;
}

// Word's letters: a ... z, then aa ... zz, aaa ...
QString letters(int n)
{
    if (n <= 0)
        return QString();
    return QString((n - 1) / 26 + 1, QChar(char16_t('A' + (n - 1) % 26)));
}

} // namespace

QString ListNumbering::formatNumber(int number, int format)
{
    switch (format) {
    case 1:
        return number > 0 && number < 4000 ? roman(number) : QString::number(number);
    case 2:
        return number > 0 && number < 4000 ? roman(number).toLower() : QString::number(number);
    case 3:
        return letters(std::min(number, 780));
    case 4:
        return letters(std::min(number, 780)).toLower();
    case 22:
        return number < 10 && number >= 0 ? QLatin1Char('0') + QString::number(number)
                                          : QString::number(number);
    case kBullet:
    case kNone:
        return QString();
    default:
        return QString::number(number);
    }
}

ListNumbering::Counters &ListNumbering::countersOf(int listId)
{
    for (Counters &c : m_lists)
        if (c.listId == listId)
            return c;
    m_lists.push_back(Counters{});
    m_lists.back().listId = listId;
    return m_lists.back();
}

QString ListNumbering::nextLabel(int listId, const std::vector<ListLevel> &levels, int level)
{
    if (level < 0 || level >= kLevels || std::size_t(level) >= levels.size())
        return QString();
    Counters &c = countersOf(listId);
    const ListLevel &own = levels[std::size_t(level)];
    c.value[std::size_t(level)] = c.started[std::size_t(level)] ? c.value[std::size_t(level)] + 1
                                                               : own.startAt;
    c.started[std::size_t(level)] = true;
    for (std::size_t below = std::size_t(level) + 1; below < kLevels; ++below)
        if (below >= levels.size() || !levels[below].noRestart)
            c.started[below] = false;
    if (own.format == kBullet || own.text.isEmpty())
        return QString();

    const int length = std::min<int>(own.text.at(0).unicode(), int(own.text.size()) - 1);
    QString label;
    for (int i = 1; i <= length; ++i) {
        const char16_t ch = own.text.at(i).unicode();
        if (ch >= kLevels) {
            label += QChar(ch);
            continue;
        }
        const std::size_t l = ch;
        if (l >= levels.size())
            continue;
        const int number = c.started[l] ? c.value[l] : levels[l].startAt;
        label += formatNumber(number, levels[l].format);
    }
    return label;
}

} // namespace rtf
