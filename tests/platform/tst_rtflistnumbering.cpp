// List labels from the list table: number formats, level texts with the numbers of the
// levels above, restarts and lists that go on across overrides.
#include <QtTest>

#include "rtf/RtfListNumbering.h"

using rtf::ListLevel;
using rtf::ListNumbering;

namespace {

// A level text as the reader keeps it: its length, then the characters.
QString levelText(const QString &characters)
{
    return QChar(char16_t(characters.size())) + characters;
}

std::vector<ListLevel> outline()
{
    std::vector<ListLevel> levels(3);
    levels[0].text = levelText(QStringLiteral("\u0000."));
    levels[1].text = levelText(QStringLiteral("\u0000.\u0001."));
    levels[2].format = 4;
    levels[2].text = levelText(QStringLiteral("\u0002)"));
    return levels;
}

} // namespace

class TestRtfListNumbering : public QObject {
    Q_OBJECT
private slots:
    void formats_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("decimal") << 12 << 0 << "12";
        QTest::newRow("upper roman") << 1994 << 1 << "MCMXCIV";
        QTest::newRow("lower roman") << 4 << 2 << "iv";
        QTest::newRow("upper letter") << 3 << 3 << "C";
        QTest::newRow("lower letter after z") << 28 << 4 << "bb";
        QTest::newRow("leading zero") << 7 << 22 << "07";
        QTest::newRow("bullet") << 1 << 23 << "";
        QTest::newRow("none") << 1 << 255 << "";
        QTest::newRow("roman zero") << 0 << 1 << "0";
    }
    void formats()
    {
        QFETCH(int, number);
        QFETCH(int, format);
        QFETCH(QString, text);
        QCOMPARE(ListNumbering::formatNumber(number, format), text);
    }

    // Given an outline, when items of several levels follow each other, then each label holds
    // the numbers of the levels above, and a higher item restarts the levels below it.
    void nestedLevels()
    {
        ListNumbering n;
        const auto levels = outline();
        QStringList labels;
        for (int level : {0, 1, 1, 0, 1, 2, 2, 1, 2, 0})
            labels << n.nextLabel(5, levels, level);
        QCOMPARE(labels.join(QLatin1Char(' ')),
                 QStringLiteral("1. 1.1. 1.2. 2. 2.1. a) b) 2.2. a) 3."));
    }

    // Given two lists, when their items alternate, then each counts on its own; a start value
    // and a level that does not restart are kept.
    void listsCountApartAndStartsAreKept()
    {
        ListNumbering n;
        auto levels = outline();
        levels[0].startAt = 5;
        levels[1].noRestart = true;
        QCOMPARE(n.nextLabel(1, levels, 0), QStringLiteral("5."));
        QCOMPARE(n.nextLabel(2, outline(), 0), QStringLiteral("1."));
        QCOMPARE(n.nextLabel(1, levels, 1), QStringLiteral("5.1."));
        QCOMPARE(n.nextLabel(1, levels, 0), QStringLiteral("6."));
        QCOMPARE(n.nextLabel(1, levels, 1), QStringLiteral("6.2."));
        QCOMPARE(n.nextLabel(2, outline(), 0), QStringLiteral("2."));
    }

    // Levels the list does not define, texts that claim more characters than they hold and
    // placeholders for undefined levels give what they can and never fail.
    void brokenDefinitions()
    {
        ListNumbering n;
        std::vector<ListLevel> levels(1);
        levels[0].text = QStringLiteral("\u0009\u0000\u0007.");
        QCOMPARE(n.nextLabel(1, levels, 0), QStringLiteral("1."));
        QCOMPARE(n.nextLabel(1, levels, 3), QString());
        QCOMPARE(n.nextLabel(1, levels, -1), QString());
        QCOMPARE(n.nextLabel(1, {}, 0), QString());
    }
};

QTEST_APPLESS_MAIN(TestRtfListNumbering)
#include "tst_rtflistnumbering.moc"
