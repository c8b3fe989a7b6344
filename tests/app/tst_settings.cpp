// Settings file: defaults, value forms, eye-level mode, written order and write failures.
#include <QtTest>

#include "app/Settings.h"
#include "profile/Profile.h"

#include <QTemporaryDir>

namespace {

QString fileWith(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("DeskTopDock.ini"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot prepare %s", qPrintable(path));
    return path;
}

QByteArray contentsOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray kDefaultsFile = "[Font Name]\r\nName=Courier New\r\n\r\n"
                                 "[Font Size]\r\nSize=12\r\n\r\n"
                                 "[Print Margins]\r\nTopSize=15\r\nLeftSize=25\r\nRightSize=25\r\n"
                                 "BottomSize=15\r\n\r\n"
                                 "[Page View]\r\nToolBar=0\r\nScrollBar=0\r\nHalf Level=0\r\n"
                                 "Third Level=0\r\nEditor Colour=16047801\r\n\r\n"
                                 "[Spelling]\r\nCheck=1\r\nLanguage=en_US\r\n";

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void defaultsWithoutFile()
    {
        QTemporaryDir dir;
        const Settings s = readSettings(dir.filePath(QStringLiteral("DeskTopDock.ini")));
        QCOMPARE(s.editorFont.face, QStringLiteral("Courier New"));
        QCOMPARE(s.editorFont.size, 12);
        QCOMPARE(s.TopSize, 15);
        QCOMPARE(s.LeftSize, 25);
        QCOMPARE(s.RightSize, 25);
        QCOMPARE(s.BottomSize, 15);
        QVERIFY(!s.hideToolBar);
        QVERIFY(!s.hideScrollBar);
        QCOMPARE(s.eyeLevelMode(), EyeLevelMode::None);
        QCOMPARE(s.editorColour, std::uint32_t(0x00F4DEB9));
    }

    // One line of the file against what it makes of the settings.
    void valueForms_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("field");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("colour 0x") << QByteArray("[Page View]\nEditor Colour=0x0000FF\n")
                                   << "colour" << qint64(255);
        QTest::newRow("colour $") << QByteArray("[Page View]\nEditor Colour=$FF00\n")
                                  << "colour" << qint64(0xFF00);
        QTest::newRow("colour word") << QByteArray("[Page View]\nEditor Colour=blue\n")
                                     << "colour" << qint64(0x00F4DEB9);
        QTest::newRow("toolbar 2") << QByteArray("[Page View]\nToolBar=2\n") << "toolbar"
                                   << qint64(1);
        QTest::newRow("toolbar -1") << QByteArray("[Page View]\ntoolbar=-1\n") << "toolbar"
                                    << qint64(1);
        QTest::newRow("toolbar word") << QByteArray("[Page View]\nToolBar=yes\n") << "toolbar"
                                      << qint64(0);
        QTest::newRow("scrollbar") << QByteArray("[page view]\nScrollBar=1\n") << "scrollbar"
                                   << qint64(1);
        QTest::newRow("size hex") << QByteArray("[Font Size]\nSize=0x10\n") << "size"
                                  << qint64(16);
        QTest::newRow("size invalid") << QByteArray("[Font Size]\nSize=12pt\n") << "size"
                                      << qint64(12);
        // Margins keep to the margins dialog's range, 0 to 1000 mm.
        QTest::newRow("negative margin") << QByteArray("[Print Margins]\nBottomSize=-3\n") << "bottom"
                                         << qint64(0);
        QTest::newRow("huge margin") << QByteArray("[Print Margins]\nBottomSize=2147483647\n")
                                     << "bottom" << qint64(1000);
        QTest::newRow("half only") << QByteArray("[Page View]\nHalf Level=1\n") << "mode"
                                   << qint64(EyeLevelMode::Half);
        QTest::newRow("half and third") << QByteArray("[Page View]\nHalf Level=1\nThird Level=1\n")
                                        << "mode" << qint64(EyeLevelMode::Third);
        QTest::newRow("key without blank") << QByteArray("[Page View]\nHalfLevel=1\n") << "mode"
                                           << qint64(EyeLevelMode::None);
    }
    void valueForms()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, field);
        QFETCH(qint64, expected);
        QTemporaryDir dir;
        const Settings s = readSettings(fileWith(dir, file));
        const QHash<QString, qint64> fields{
            {"colour", s.editorColour}, {"toolbar", s.hideToolBar},
            {"scrollbar", s.hideScrollBar}, {"size", s.editorFont.size},
            {"bottom", s.BottomSize},   {"mode", qint64(s.eyeLevelMode())}};
        QCOMPARE(fields.value(field), expected);
    }

    void fontNameKeepsEmptyAndLongValues()
    {
        QTemporaryDir dir;
        QCOMPARE(readSettings(fileWith(dir, "[Font Name]\nName=\n")).editorFont.face, QString());
        const QByteArray longName(3000, 'F');
        QCOMPARE(readSettings(fileWith(dir, "[Font Name]\nName=" + longName + "\n"))
                     .editorFont.face.size(),
                 2047);
    }

    void newFileHasTheOrderOfTheKeys()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("DeskTopDock.ini"));
        QVERIFY(saveSettings(Settings{}, path).ok);
        QCOMPARE(contentsOf(path), kDefaultsFile);
    }

    // Given a file with foreign content and some of our keys, when settings are saved, then
    // our values change in place, missing keys are added and the rest stays byte for byte.
    void saveKeepsOtherContent()
    {
        QTemporaryDir dir;
        const QString path = fileWith(dir, "; my notes\n[Other]\nx=1\n[page view]\n"
                                           "editor colour = 0x0000FF\n\n[Font Name]\nName=Arial\n");
        Settings s;
        s.editorFont.face = QStringLiteral("Times New Roman");
        s.hideToolBar = true;
        s.editorColour = 255;
        QVERIFY(saveSettings(s, path).ok);
        QCOMPARE(contentsOf(path),
                 QByteArray("; my notes\n[Other]\nx=1\n[page view]\n"
                            "editor colour =255\nToolBar=1\nScrollBar=0\nHalf Level=0\n"
                            "Third Level=0\n\n[Font Name]\nName=Times New Roman\n\n"
                            "[Font Size]\nSize=12\n\n[Print Margins]\nTopSize=15\nLeftSize=25\n"
                            "RightSize=25\nBottomSize=15\n\n[Spelling]\nCheck=1\nLanguage=en_US\n"));
        QCOMPARE(readSettings(path), s);
    }

    // Root can write anywhere, so the unwritable place is a path through a regular file.
    void unwritableFileGivesTheMessage()
    {
        QTemporaryDir dir;
        const QString blocker = fileWith(dir, "not a folder");
        const QString path = blocker + QStringLiteral("/DeskTopDock.ini");
        const SettingsSaveResult result = saveSettings(Settings{}, path);
        QVERIFY(!result.ok);
        QCOMPARE(result.message, QStringLiteral("Unable to write to ") + path);
        QCOMPARE(contentsOf(blocker), QByteArray("not a folder"));
    }

    void pathIsBesideTheProgram()
    {
        QCOMPARE(settingsFilePath(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/DeskTopDock.ini"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
