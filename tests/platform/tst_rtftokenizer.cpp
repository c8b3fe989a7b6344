// The RTF tokenizer and the control-word table.
#include <QtTest>

#include "rtf/RtfControlWords.h"
#include "rtf/RtfTokenizer.h"
#include "support/RtfTestSupport.h"

class TestRtfTokenizer : public QObject {
    Q_OBJECT
private slots:
    void tableIsSortedAndUnique()
    {
        const auto table = rtf::controlWordTable();
        QVERIFY(table.size() > 100);
        for (std::size_t i = 1; i < table.size(); ++i)
            QVERIFY2(table[i - 1].word < table[i].word,
                     qPrintable(QString::fromLatin1(table[i].word.data(), table[i].word.size())));
        for (const rtf::ControlWord &cw : table) {
            QCOMPARE(rtf::findControlWord(cw.word), &cw);
            QVERIFY(cw.word.size() <= std::size_t(rtf::RtfTokenizer::kMaxWordLength));
            // the writer's spelling of every id is a word of the table with that id
            const rtf::ControlWord *spelled = rtf::findControlWord(rtf::spelling(cw.id));
            QVERIFY(spelled && spelled->id == cw.id);
        }
        QVERIFY(!rtf::findControlWord("nosuchword"));
        QVERIFY(!rtf::findControlWord(""));
    }

    void tokens_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("tokens");
        QTest::newRow("group and words") << QByteArray("{\\rtf1\\b0 x}")
                                         << "{|\\rtf1|\\b0|text \"x\"|}";
        QTest::newRow("negative parameter") << QByteArray("\\li-360\\fi-0 a")
                                            << "\\li-360|\\fi0|text \"a\"";
        QTest::newRow("one space is the delimiter") << QByteArray("\\b  x") << "\\b|text \" x\"";
        QTest::newRow("digit ends at a letter") << QByteArray("\\fs20x") << "\\fs20|text \"x\"";
        QTest::newRow("minus without digits") << QByteArray("\\li-x") << "\\li|text \"x\"";
        QTest::newRow("huge parameter") << QByteArray("\\fs99999999999 a")
                                        << "\\fs2147483647|text \"a\"";
        QTest::newRow("long word is cut")
            << QByteArray("\\abcdefghijklmnopqrstuvwxyzabcdefghij1 z")
            << "\\abcdefghijklmnopqrstuvwxyzabcdef1|text \"z\"";
        QTest::newRow("control symbols") << QByteArray("\\~\\-\\_\\{\\}\\\\\\*")
                                         << "\\~|\\-|\\_|\\{|\\}|\\\\|\\*";
        QTest::newRow("hex bytes") << QByteArray("\\'e9\\'C9") << "\\'e9|\\'c9";
        QTest::newRow("hex with one digit") << QByteArray("\\'eg") << "\\'0e|text \"g\"";
        QTest::newRow("hex without digits") << QByteArray("\\'zz") << "\\'|text \"zz\"";
        QTest::newRow("line breaks and NUL dropped") << QByteArray("ab\r\ncd\0e", 9)
                                                     << "text \"ab\"|text \"cd\"|text \"e\"";
        QTest::newRow("backslash before line break is par") << QByteArray("a\\\r\nb")
                                                            << "text \"a\"|\\par|text \"b\"";
        QTest::newRow("backslash at the end") << QByteArray("ab\\") << "text \"ab\"";
        QTest::newRow("binary data") << QByteArray("{\\bin3 }{x}y") << "{|bin 3|}|text \"y\"";
        QTest::newRow("binary past the end") << QByteArray("\\bin1000 abc") << "bin 3";
        QTest::newRow("negative binary") << QByteArray("\\bin-5 a") << "bin 0|text \"a\"";
    }
    // Given bytes, when tokenized, then the tokens are as listed.
    void tokens()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, tokens);
        QCOMPARE(rtf::RtfTokenizer::dump(rtf).replace(QLatin1Char('\n'), QLatin1Char('|')),
                 tokens);
    }

    void unicodeFallback_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("tokens");
        QTest::newRow("default uc1 skips one character") << QByteArray("\\u8220?x")
                                                        << "\\u8220|text \"x\"";
        QTest::newRow("uc0 skips nothing") << QByteArray("\\uc0\\u8220 x")
                                           << "\\uc0|\\u8220|text \"x\"";
        QTest::newRow("fallback is a hex escape") << QByteArray("\\u8220\\'93x")
                                                  << "\\u8220|text \"x\"";
        QTest::newRow("uc2 with two escapes") << QByteArray("\\uc2\\u12354\\'82\\'a0x")
                                              << "\\uc2|\\u12354|text \"x\"";
        QTest::newRow("fallback is a control word") << QByteArray("\\u8212\\emdash x")
                                                    << "\\u8212|text \"x\"";
        QTest::newRow("fallback is binary data") << QByteArray("\\u8212\\bin2 ab x")
                                                 << "\\u8212|text \" x\"";
        QTest::newRow("fallback stops at a group end") << QByteArray("{\\uc3\\u8220a}b")
                                                       << "{|\\uc3|\\u8220|}|text \"b\"";
        QTest::newRow("fallback stops at a group start") << QByteArray("\\uc3\\u8220a{b}")
                                                         << "\\uc3|\\u8220|{|text \"b\"|}";
        QTest::newRow("uc is restored after a group") << QByteArray("{\\uc0}\\u8220?x")
                                                      << "{|\\uc0|}|\\u8220|text \"x\"";
        QTest::newRow("uc inherited by inner group") << QByteArray("\\uc2{\\u8220ab}")
                                                     << "\\uc2|{|\\u8220|}";
        QTest::newRow("line breaks are not counted") << QByteArray("\\u8220\r\n?x")
                                                     << "\\u8220|text \"x\"";
        QTest::newRow("negative value") << QByteArray("\\u-10179?\\u-8704?")
                                        << "\\u55357|\\u56832";
        QTest::newRow("out of range") << QByteArray("\\u70000?\\u-40000?")
                                      << "\\u65533|\\u65533";
        QTest::newRow("skipped unicode inside fallback") << QByteArray("\\uc1\\u8220\\u8221 x")
                                                         << "\\uc1|\\u8220|text \"x\"";
        QTest::newRow("u without number is a word") << QByteArray("\\u x") << "\\u|text \"x\"";
    }
    void unicodeFallback()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, tokens);
        QCOMPARE(rtf::RtfTokenizer::dump(rtf).replace(QLatin1Char('\n'), QLatin1Char('|')),
                 tokens);
    }

    // Given input split into chunks of every size, so that each word, parameter and delimiter
    // is cut at every place, when tokenized, then the tokens match reading at once (text runs
    // may split, so they are joined for the comparison).
    void chunkBoundaries()
    {
        const QByteArray rtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\uc2\\u12354\\'82\\'a0"
                             "\\b bold\\b0\\bin4 {}}\\'e9 end\\par\\li-360\\fi-x\\fs99999999999  y"
                             "\\abcdefghijklmnopqrstuvwxyzabcdefghij1 z\\u-10179?\\uc0\\u8220 q\\b}");
        auto joined = [](rtf::RtfTokenizer &t) {
            QStringList out;
            for (;;) {
                const auto &tok = t.next();
                if (tok.type == rtf::RtfTokenizer::Type::End)
                    break;
                QString s;
                switch (tok.type) {
                case rtf::RtfTokenizer::Type::Text:
                    s = QStringLiteral("T") + QString::fromLatin1(tok.text, tok.length);
                    if (!out.isEmpty() && out.last().startsWith(QLatin1Char('T'))) {
                        out.last() += s.mid(1);
                        continue;
                    }
                    break;
                case rtf::RtfTokenizer::Type::ControlWord:
                    s = QString::fromLatin1(tok.word.data(), tok.word.size())
                        + (tok.hasParam ? QString::number(tok.param) : QStringLiteral("-"));
                    break;
                default:
                    s = QString::number(int(tok.type)) + QString::number(tok.param)
                        + QString::number(tok.byte) + QString::fromLatin1(tok.binary.toHex());
                    break;
                }
                out << s;
            }
            return out;
        };
        rtf::RtfTokenizer whole(rtftest::memorySource(rtf));
        whole.setKeepBinary(true);
        const QStringList expected = joined(whole);
        QCOMPARE(expected.count(QStringLiteral("abcdefghijklmnopqrstuvwxyzabcdef1")), 1);
        for (qsizetype chunk = 1; chunk <= rtf.size(); ++chunk) {
            rtf::RtfTokenizer pieces(rtftest::memorySource(rtf), chunk);
            pieces.setKeepBinary(true);
            QCOMPARE(joined(pieces), expected);
        }
    }

    void offsetsAndLines()
    {
        rtf::RtfTokenizer t(rtftest::memorySource(QByteArray("{\\rtf1\r\n\\b x\n}")));
        QCOMPARE(t.next().offset, 0);
        const auto &word = t.next();
        QCOMPARE(word.offset, 1);
        QCOMPARE(word.line, 1);
        const auto &bold = t.next();
        QCOMPARE(bold.offset, 8);
        QCOMPARE(bold.line, 2);
        t.next();
        const auto &close = t.next();
        QCOMPARE(close.type, rtf::RtfTokenizer::Type::GroupClose);
        QCOMPARE(close.line, 3);
    }

    void readErrorEndsTheTokens()
    {
        int calls = 0;
        rtf::RtfTokenizer t([&](char *buf, qint64) -> qint64 {
            if (calls++ == 0) {
                buf[0] = '{';
                return 1;
            }
            return -1;
        });
        QCOMPARE(t.next().type, rtf::RtfTokenizer::Type::GroupOpen);
        QCOMPARE(t.next().type, rtf::RtfTokenizer::Type::End);
        QVERIFY(t.readError());
    }
};

QTEST_APPLESS_MAIN(TestRtfTokenizer)
#include "tst_rtftokenizer.moc"
