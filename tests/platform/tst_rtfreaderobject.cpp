// \object groups: the object's own data is kept with its result picture and written back, a
// fixed point from the first write on, whatever the group holds.
#include <QtTest>

#include "support/RtfTestSupport.h"
#include "richedit/RichEditTypes.h"

#include <QBuffer>
#include <QImage>
#include <QTextImageFormat>

namespace prop = richedit::prop;

namespace {

QByteArray pngHex()
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toHex();
}

QList<QTextImageFormat> images(const QTextDocument &doc)
{
    QList<QTextImageFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                out.append(it.fragment().charFormat().toImageFormat());
    return out;
}

QByteArray doc(const QByteArray &body)
{
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}a" + body + "b\\par}";
}

} // namespace

class TestRtfReaderObject : public QObject {
    Q_OBJECT
private slots:
    void objects_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("kept");  // the object data the picture carries
        QTest::addColumn<QString>("kind");     // of the picture shown
        const QByteArray png = pngHex();
        QTest::newRow("embedded with result")
            << "{\\object\\objemb\\objw100\\objh50{\\*\\objclass Paint.Picture}{\\*\\objdata "
               "0105000002}{\\result{\\pict\\pngblip " + png + "}}}"
            << QByteArray("\\objemb\\objw100\\objh50{\\*\\objclass Paint.Picture}"
                          "{\\*\\objdata 0105000002}")
            << "png";
        QTest::newRow("result after paragraph words")
            << "{\\object\\objemb{\\*\\objdata 01}{\\result\\pard\\plain{\\pict\\pngblip " + png
                   + "}}}"
            << QByteArray("\\objemb{\\*\\objdata 01}") << "png";
        QTest::newRow("escapes and binary in the data")
            << "{\\object\\objlink{\\*\\objname a\\{b\\}\\'e9}{\\*\\objdata \\bin3 xyz}"
               "{\\result{\\pict\\pngblip " + png + "}}}"
            << QByteArray("\\objlink{\\*\\objname a\\{b\\}\\'e9}{\\*\\objdata\\bin3 xyz}")
            << "png";
        QTest::newRow("no result: a placeholder keeps the object")
            << QByteArray("{\\object\\objemb\\objw300\\objh150{\\*\\objdata 0102}}")
            << QByteArray("\\objemb\\objw300\\objh150{\\*\\objdata 0102}") << "other";
        // Text and breaks in the object group itself belong to the object, not the document.
        QTest::newRow("text before the result")
            << "{\\object\\objemb x\\par\\'e9{\\result{\\pict\\pngblip " + png + "}}}"
            << QByteArray("\\objemb x\\par\\'e9") << "png";
        QTest::newRow("destination word in the object group")
            << "{\\object\\objemb\\tc\\*\\objx{\\result{\\pict\\pngblip " + png + "}}}"
            << QByteArray("\\objemb\\tc\\*\\objx") << "png";
        QTest::newRow("text without a result")
            << QByteArray("{\\object\\objemb\\tab y}") << QByteArray("\\objemb\\tab y")
            << "other";
    }
    // Given an object group, when read, then one picture shows it and carries the object's
    // data; written, read and written again, the output does not change.
    void objects()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, kept);
        QFETCH(QString, kind);
        const auto d = rtftest::readDocument(doc(body));
        QCOMPARE(rtftest::documentText(*d), QStringLiteral("ab\n"));
        const auto pictures = images(*d);
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(pictures[0].property(prop::ObjectData).toByteArray(), kept);
        QCOMPARE(pictures[0].stringProperty(prop::ImageKind), kind);
        const QByteArray first = rtftest::writeDocument(*d);
        QVERIFY2(first.contains("{\\object" + QByteArray(kept.startsWith('\\') ? "" : " ") + kept
                                + "{\\result{\\pict"),
                 first.constData());
        const auto again = rtftest::readDocument(first);
        QCOMPARE(rtftest::writeDocument(*again), first);
    }

    // A placeholder for an object without result has the object's size.
    void placeholderSize()
    {
        const auto d = rtftest::readDocument(doc("{\\object\\objemb\\objw300\\objh150}"));
        const auto pictures = images(*d);
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(QSizeF(pictures[0].width(), pictures[0].height()), QSizeF(20, 10));
    }

    // Only the outer object is kept; pictures outside objects carry no object data; a reader
    // told to leave objects out keeps the text alone.
    void nestingAndLeavingOut()
    {
        const QByteArray png = pngHex();
        const auto d = rtftest::readDocument(
            doc("{\\object\\objemb{\\*\\objdata 01}{\\result{\\object\\objemb{\\*\\objdata 02}"
                "{\\result{\\pict\\pngblip " + png + "}}}}}{\\pict\\pngblip " + png + "}"));
        const auto pictures = images(*d);
        QCOMPARE(pictures.size(), 2);
        QCOMPARE(pictures[0].property(prop::ObjectData).toByteArray(),
                 QByteArray("\\objemb{\\*\\objdata 01}"));
        QVERIFY(!pictures[1].hasProperty(prop::ObjectData));
        rtf::ReadOptions none;
        none.noObjects = true;
        const auto text = rtftest::readDocument(
            doc("{\\object{\\*\\objdata 01}{\\result{\\pict\\pngblip " + png + "}}}{\\object}"),
            nullptr, none);
        QVERIFY(images(*text).isEmpty());
        QCOMPARE(rtftest::documentText(*text), QStringLiteral("ab\n"));
    }

    // Groups nested past the reader's depth limit inside an object stay balanced in the kept
    // data, so that writing it back does not swallow what follows.
    void deepGroupsInsideAnObject()
    {
        const QByteArray deep = QByteArray(300, '{') + "x" + QByteArray(300, '}');
        const auto d = rtftest::readDocument(
            doc("{\\object\\objemb{\\*\\objdata " + deep + "}{\\result{\\pict\\pngblip "
                + pngHex() + "}}}"));
        const QByteArray kept = images(*d).value(0).property(prop::ObjectData).toByteArray();
        QCOMPARE(kept.count('{'), kept.count('}'));
        const QByteArray first = rtftest::writeDocument(*d);
        QCOMPARE(kept.count('{'), 301); // the \objdata group and the 300 inside it
        const auto again = rtftest::readDocument(first);
        QCOMPARE(rtftest::documentText(*again), QStringLiteral("ab\n"));
        QCOMPARE(rtftest::writeDocument(*again), first);
    }

    // The scale is kept apart from the goal size and written back.
    void scaleIsKept()
    {
        const auto d = rtftest::readDocument(
            doc("{\\pict\\pngblip\\picwgoal600\\pichgoal300\\picscalex250\\picscaley50 "
                + pngHex() + "}"));
        const QTextImageFormat f = images(*d).value(0);
        QCOMPARE(f.intProperty(prop::ImageGoalWidth), 600);
        QCOMPARE(f.intProperty(prop::ImageScaleX), 250);
        QCOMPARE(QSizeF(f.width(), f.height()), QSizeF(100, 10));
        const QByteArray out = rtftest::writeDocument(*d);
        QVERIFY(out.contains("\\picwgoal600\\pichgoal300\\picscalex250\\picscaley50"));
    }
};

QTEST_MAIN(TestRtfReaderObject)
#include "tst_rtfreaderobject.moc"
