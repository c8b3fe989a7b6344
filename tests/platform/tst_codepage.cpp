// Code pages and the plain-text encoding rules.
#include <QtTest>

#include "text/CodePage.h"

class TestCodePage : public QObject {
    Q_OBJECT
private slots:
    void cp1252RoundTripsEveryByte()
    {
        for (int b = 0; b < 256; ++b) {
            const QChar c = text::cp1252ToUnicode(static_cast<unsigned char>(b));
            QCOMPARE(text::unicodeToCp1252(c.unicode()), b);
        }
        QCOMPARE(text::cp1252ToUnicode(0x93), QChar(0x201C));
        QCOMPARE(text::cp1252ToUnicode(0x94), QChar(0x201D));
    }
    void symbolLongDash()
    {
        QCOMPARE(text::symbolToUnicode(0xBE), char16_t(0x2015));
        QCOMPARE(text::unicodeToSymbol(0x2015), 0xBE);
        QCOMPARE(text::unicodeToSymbol(0x23AF), 0xBE);
        QCOMPARE(text::unicodeToSymbol(0xF0BE), 0xBE);
    }
    void plainTextDecoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ascii") << QByteArray("abc") << QStringLiteral("abc");
        QTest::newRow("utf8") << QByteArray("caf\xC3\xA9") << QStringLiteral("caf\u00E9");
        QTest::newRow("utf8 bom") << QByteArray("\xEF\xBB\xBFx\xE2\x82\xAC") << QStringLiteral("x\u20AC");
        QTest::newRow("cp1252") << QByteArray("caf\xE9 \x93q\x94") << QStringLiteral("caf\u00E9 \u201Cq\u201D");
        QTest::newRow("overlong is not utf8") << QByteArray("\xC0\xAF") << QStringLiteral("\u00C0\u00AF");
        QTest::newRow("truncated sequence") << QByteArray("a\xE2\x82") << QStringLiteral("a\u00E2\u201A");
    }
    void plainTextDecoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(text::decodePlainText(bytes), expected);
    }
    void plainTextEncoding()
    {
        QCOMPARE(text::encodePlainText(QStringLiteral("caf\u00E9\u2014")), QByteArray("caf\xE9\x97"));
        QCOMPARE(text::encodePlainText(QStringLiteral("\u0416")), QByteArray("\xEF\xBB\xBF\xD0\x96"));
    }
    void plainTextReadsBackAsWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QStringLiteral("plain\r\nlines");
        QTest::newRow("windows-1252") << QStringLiteral("caf\u00E9 \u20AC");
        // Windows-1252 bytes C3 A9 are valid UTF-8 (U+00E9): written so, they came back as "é".
        QTest::newRow("1252 bytes that look like UTF-8") << QStringLiteral("\u00C3\u00A9t\u00C3\u00A9");
        QTest::newRow("beyond windows-1252") << QStringLiteral("\u0416 and \u00C3\u00A9");
    }
    void plainTextReadsBackAsWritten()
    {
        QFETCH(QString, text);
        QCOMPARE(text::decodePlainText(text::encodePlainText(text)), text);
    }
    void otherCodePagesThroughIconv()
    {
        QCOMPARE(text::decode(QByteArray("\xC0"), 1251), QStringLiteral("\u0410"));
        QCOMPARE(text::decode(QByteArray("\x82\xA0"), 932), QStringLiteral("\u3042"));
        bool lossless = false;
        QCOMPARE(text::encode(QStringLiteral("\u0410"), 1251, &lossless), QByteArray("\xC0"));
        QVERIFY(lossless);
    }
    // Converters that hold a character back for a combining mark still give the last one.
    void lastCharacterIsFlushed()
    {
        QCOMPARE(text::decode(QByteArray("\xF9\xEC\xE5\xED"), 1255),
                 QStringLiteral("\u05E9\u05DC\u05D5\u05DD"));
        QCOMPARE(text::decode(QByteArray("a\xC3"), 1258), QStringLiteral("a\u0102"));
    }
    // A last lead byte is not part of the complete prefix; a second byte that looks like a
    // lead byte is still a second byte.
    void completeLengthOfDoubleByteText()
    {
        QCOMPARE(text::completeLength(QByteArray("a\x82"), 932), 1);
        QCOMPARE(text::completeLength(QByteArray("\x82\xA0"), 932), 2);
        QCOMPARE(text::completeLength(QByteArray("\xB0\xA1\xB0"), 936), 2);
        QCOMPARE(text::completeLength(QByteArray("\xB0\xB0"), 936), 2);
        QCOMPARE(text::completeLength(QByteArray("\xE9"), 1252), 1);
    }
};

QTEST_APPLESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
