// The drawn toolbar pictograms: every toolbar button name gets its own visible picture on a
// transparent ground with a greyed disabled look; other names get no icon.
#include <QtTest>

#include "widgets/ToolIcons.h"

#include <QIcon>
#include <QImage>
#include <QSet>

namespace {

const char *const kNames[] = {
    "btnNewDoc",          "btnDocHistory",   "btnOpenDoc",      "btnSaveDoc",
    "btnPrintPreview",    "btnUndo",         "btnRedo",         "btnCut",
    "btnCopy",            "btnPaste",        "btnCenterAlign",  "btnAlignJustify",
    "btnParagraphAttributes", "btnEditorBackground", "btnFont", "btnOpeningQuote",
    "btnClosingQoute",    "btnLongDash",     "btnClose",        "SpeedButton2",
};

QImage picture(const QIcon &icon, int size, QIcon::Mode mode = QIcon::Normal)
{
    return icon.pixmap(QSize(size, size), mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

int countAlpha(const QImage &image, int minAlpha, int maxAlpha)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(image.pixel(x, y));
            n += a >= minAlpha && a <= maxAlpha;
        }
    return n;
}

} // namespace

class TestToolIcons : public QObject {
    Q_OBJECT
private slots:
    void drawnIcon_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        for (const char *name : kNames)
            for (int size : {32, 24})
                QTest::addRow("%s@%d", name, size) << QString::fromLatin1(name) << size;
    }

    void drawnIcon()
    {
        QFETCH(QString, name);
        QFETCH(int, size);
        const QIcon icon = drawnToolIcon(name);
        QVERIFY(!icon.isNull());

        const QImage normal = picture(icon, size);
        QCOMPARE(normal.size(), QSize(size, size));
        const int area = size * size;
        const int opaque = countAlpha(normal, 200, 255);
        QVERIFY2(opaque > area / 20, qPrintable(QString::number(opaque)));
        // The ground stays transparent: the picture never fills its square.
        QVERIFY(countAlpha(normal, 0, 0) > area / 5);

        // Disabled: still visible, but fainter and without colour.
        const QImage disabled = picture(icon, size, QIcon::Disabled);
        QCOMPARE(disabled.size(), QSize(size, size));
        QVERIFY(countAlpha(disabled, 1, 255) > area / 20);
        QVERIFY(countAlpha(disabled, 200, 255) < opaque);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb c = disabled.pixel(x, y);
                if (qAlpha(c) > 0)
                    QVERIFY(qAbs(qRed(c) - qBlue(c)) <= 2 && qAbs(qRed(c) - qGreen(c)) <= 2);
            }
    }

    void picturesDiffer()
    {
        QSet<QByteArray> seen;
        for (const char *name : kNames) {
            const QImage image = picture(drawnToolIcon(QString::fromLatin1(name)), 32);
            const QByteArray bits(reinterpret_cast<const char *>(image.constBits()),
                                  image.sizeInBytes());
            QVERIFY2(!seen.contains(bits), name);
            seen.insert(bits);
        }
    }

    void unknownNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("other button") << QStringLiteral("btnHelp");
        QTest::newRow("case differs") << QStringLiteral("btnnewdoc");
        QTest::newRow("corrected spelling") << QStringLiteral("btnClosingQuote");
    }

    void unknownNames()
    {
        QFETCH(QString, name);
        QVERIFY(drawnToolIcon(name).isNull());
    }
};

QTEST_MAIN(TestToolIcons)
#include "tst_toolicons.moc"
