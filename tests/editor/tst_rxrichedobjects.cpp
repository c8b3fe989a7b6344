// Pictures as embedded objects of the main window's Editor, driven as a user does: the real
// clipboard and Ctrl+V, drag-and-drop events, keys and clicks, the control's pop-up menu
// request, the toolbar's Open and Save, and the scripted dialogs answering as they open.
#include <QtTest>

#include "support/ScriptedDialogs.h"
#include "app/Exceptions.h"
#include "app/Main.h"
#include "richedit/Pictures.h"
#include "richedit/RichEditOle.h"

#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolButton>
#include <functional>
#include <memory>

using namespace richedit;
using Kind = ScriptedDialogs::Kind;

namespace {

QImage solid(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

// Records what the desktop was asked to open instead of starting a viewer.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class TestRxRichEdObjects : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<TfrmMainEditor> m_w;
    OpenedUrls m_opened;

    TRxRichEdit *ed() const { return m_w->Editor; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The pictures of the document in order, with their positions.
    QList<std::pair<int, QTextImageFormat>> pictures() const
    {
        QList<std::pair<int, QTextImageFormat>> out;
        const QTextDocument *doc = ed()->document();
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat())
                    for (int i = 0; i < it.fragment().length(); ++i)
                        out.append({it.fragment().position() + i,
                                    it.fragment().charFormat().toImageFormat()});
        return out;
    }
    QImage imageOf(const QTextImageFormat &f) const { return pictureImage(ed()->document(), f); }

    void type(const QString &text) { QTest::keyClicks(ed(), text); }
    void paste(QMimeData *data)
    {
        QGuiApplication::clipboard()->setMimeData(data);
        QTest::keyClick(ed(), Qt::Key_V, Qt::ControlModifier);
    }
    void pastePicture(const QByteArray &bytes, const char *mime = "image/png")
    {
        auto *data = new QMimeData;
        data->setData(QLatin1String(mime), bytes);
        paste(data);
    }
    // Saves through the toolbar's Save button as a new file (the save dialog answered).
    void saveAs(const QString &name)
    {
        m_w->DocumentFileName = QStringLiteral("Untitled Document");
        m_dialogs->answerFile(path(name));
        QTest::mouseClick(m_w->btnSaveDoc, Qt::LeftButton);
        QVERIFY(QFile::exists(path(name)));
    }
    void open(const QString &name)
    {
        if (ed()->DocumentModified())
            m_dialogs->answer(dialogs::Answer::No);
        m_dialogs->answerFile(path(name));
        QTest::mouseClick(m_w->btnOpenDoc, Qt::LeftButton);
    }
    QByteArray fileBytes(const QString &name) const
    {
        QFile f(path(name));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Asks the control for its pop-up menu as the keyboard's menu key does; inspect sees the
    // menu while it is open (or nullptr when none opened) and may choose an item.
    void requestMenu(const std::function<void(QMenu *)> &inspect)
    {
        bool seen = false;
        QTimer::singleShot(50, this, [&] {
            seen = true;
            QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            inspect(menu);
            if (menu && menu->isVisible())
                menu->close();
        });
        const QPoint at = ed()->viewport()->mapToGlobal(QPoint(20, 20));
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(20, 20), at);
        QApplication::sendEvent(ed(), &event);
        QTRY_VERIFY(seen);
    }
    QStringList captions(QMenu *menu) const
    {
        QStringList out;
        if (menu)
            for (QAction *a : menu->actions())
                out << a->text();
        return out;
    }
    // Chooses the menu's item with this caption by keyboard (arrows, then Return).
    static void choose(QMenu *menu, const QString &caption)
    {
        QVERIFY(menu);
        const QList<QAction *> items = menu->actions();
        for (QAction *a : items) {
            QTest::keyClick(menu, Qt::Key_Down);
            if (menu->activeAction() && menu->activeAction()->text() == caption) {
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        QFAIL(qPrintable(QStringLiteral("no item ") + caption));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_opened, "open");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void init()
    {
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_w = std::make_unique<TfrmMainEditor>();
        m_w->setSettingsPath(path(QStringLiteral("DeskTopDock.ini")));
        m_w->SaveDialog1.initialFolder = m_dir.path();
        m_w->show();
        m_w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        ed()->setFocus();
        m_opened.urls.clear();
    }
    void cleanup()
    {
        m_w.reset();
        m_dialogs.reset();
    }

    // Given a PNG on the clipboard, when pasted, saved as RTF and opened again, then the
    // document shows the same pixels at the same size.
    void pastedPngSurvivesSaveAndLoad()
    {
        type(QStringLiteral("ab"));
        const QImage original = solid(40, 30, QColor(200, 20, 20));
        pastePicture(encoded(original, "PNG"));
        type(QStringLiteral("cd"));
        QCOMPARE(ed()->TextBetween(0, 5), QStringLiteral("ab\uFFFCcd"));
        QCOMPARE(pictures().size(), 1);
        QCOMPARE(pictures()[0].second.width(), 40.0);

        saveAs(QStringLiteral("png.rtf"));
        open(QStringLiteral("png.rtf"));
        const auto loaded = pictures();
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded[0].first, 2);
        QCOMPARE(QSizeF(loaded[0].second.width(), loaded[0].second.height()), QSizeF(40, 30));
        QCOMPARE(imageOf(loaded[0].second).convertToFormat(QImage::Format_RGB32), original);
        QCOMPARE(ed()->TextBetween(0, 5), QStringLiteral("ab\uFFFCcd"));
        // The text typed after the picture kept a text format (no picture properties).
        QTextCursor c(ed()->document());
        c.setPosition(4);
        QVERIFY(!c.charFormat().hasProperty(QTextFormat::ImageName));
    }

    // Given JPEG bytes, when pasted and saved, then the file holds exactly those bytes.
    void pastedJpegIsWrittenUnchanged()
    {
        const QByteArray jpeg = encoded(solid(16, 8, QColor(20, 20, 200)), "JPEG");
        pastePicture(jpeg, "image/jpeg");
        QCOMPARE(pictures().size(), 1);
        saveAs(QStringLiteral("jpeg.rtf"));
        const QByteArray rtf = fileBytes(QStringLiteral("jpeg.rtf"));
        QVERIFY(rtf.contains("\\jpegblip"));
        QByteArray hex = rtf.mid(rtf.indexOf("\\jpegblip"));
        hex = hex.mid(hex.indexOf("\r\n") + 2);
        hex = hex.left(hex.indexOf('}')).replace("\r\n", "");
        QCOMPARE(QByteArray::fromHex(hex), jpeg);
        open(QStringLiteral("jpeg.rtf"));
        QCOMPARE(pictures().value(0).second.property(prop::ImageData).toByteArray(), jpeg);
    }

    // A picture file copied in a file manager (its URL) and image data without a file both
    // paste as pictures; a bitmap is kept as "Bitmap Image" and saved as PNG.
    void pastedFileAndImageData()
    {
        const QImage image = solid(12, 10, Qt::green);
        writeFile(QStringLiteral("copied.png"), encoded(image, "PNG"));
        auto *files = new QMimeData;
        files->setUrls({QUrl::fromLocalFile(path(QStringLiteral("copied.png")))});
        files->setText(path(QStringLiteral("copied.png")));
        paste(files);
        auto *bitmap = new QMimeData;
        bitmap->setImageData(solid(5, 5, Qt::yellow));
        paste(bitmap);
        const auto got = pictures();
        QCOMPARE(got.size(), 2);
        QCOMPARE(got[0].second.stringProperty(prop::ImageKind), QStringLiteral("png"));
        QCOMPARE(imageOf(got[0].second).convertToFormat(QImage::Format_RGB32), image);
        QCOMPARE(pictureTypeName(got[1].second), QStringLiteral("Bitmap Image"));
        QCOMPARE(ed()->textLength(), 2); // the file's path did not come in as text
        saveAs(QStringLiteral("bitmap.rtf"));
        QVERIFY(fileBytes(QStringLiteral("bitmap.rtf")).count("\\pngblip") == 2);
    }

    // Given an image file dragged onto the editor, when dropped, then it is a picture where it
    // was dropped; image data drops the same way.
    void droppedPictures()
    {
        type(QStringLiteral("xy"));
        writeFile(QStringLiteral("dropped.png"), encoded(solid(8, 8, Qt::blue), "PNG"));
        auto drop = [this](QMimeData *data) {
            const QPoint at = ed()->cursorRect(ed()->textCursor()).center();
            QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(ed()->viewport(), &enter);
            QVERIFY(enter.isAccepted());
            QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(ed()->viewport(), &move);
            QVERIFY(move.isAccepted());
            QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(ed()->viewport(), &dropped);
            QVERIFY(dropped.isAccepted());
        };
        QMimeData file;
        file.setUrls({QUrl::fromLocalFile(path(QStringLiteral("dropped.png")))});
        drop(&file);
        QCOMPARE(pictures().size(), 1);
        QCOMPARE(pictures()[0].first, 2);
        QMimeData image;
        image.setImageData(solid(6, 6, Qt::red));
        drop(&image);
        QCOMPARE(pictures().size(), 2);
    }

    // Given a picture between text, when clicked it is selected as one character; Delete
    // removes it, Undo brings it back, and Backspace after it removes it too.
    void clickSelectsDeleteAndUndo()
    {
        type(QStringLiteral("ab"));
        pastePicture(encoded(solid(60, 40, Qt::red), "PNG"));
        type(QStringLiteral("cd"));
        ed()->exSetSel(0, 0);
        QTest::qWait(20);
        // The picture is right of "ab": click in its middle.
        QTextCursor before(ed()->document());
        before.setPosition(2);
        QTextCursor after(ed()->document());
        after.setPosition(3);
        const QPoint middle((ed()->cursorRect(before).left() + ed()->cursorRect(after).left()) / 2,
                            ed()->cursorRect(after).center().y());
        QTest::mouseClick(ed()->viewport(), Qt::LeftButton, Qt::NoModifier, middle);
        QCOMPARE(ed()->SelectionStart(), 2);
        QCOMPARE(ed()->SelectionLength(), 1);
        QCOMPARE(ed()->selectionType(), SEL_OBJECT);

        const QString name = pictures()[0].second.name();
        QTest::keyClick(ed(), Qt::Key_Delete);
        QCOMPARE(ed()->TextBetween(0, 4), QStringLiteral("abcd"));
        QVERIFY(pictures().isEmpty());
        QTest::keyClick(ed(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(pictures().size(), 1);
        QCOMPARE(pictures()[0].second.name(), name);
        QVERIFY(!imageOf(pictures()[0].second).isNull());

        ed()->exSetSel(3, 3);
        QTest::keyClick(ed(), Qt::Key_Backspace);
        QVERIFY(pictures().isEmpty());
    }

    // Given a picture opened in the desktop's viewer through its "Open" verb, when it is
    // deleted, then its open copy is closed without saving (the copy is gone); "Clear All"
    // closes every object before emptying the document.
    void deletingAndClearingCloseObjects()
    {
        pastePicture(encoded(solid(10, 10, Qt::red), "PNG"));
        pastePicture(encoded(solid(10, 10, Qt::blue), "PNG"));
        ed()->exSetSel(0, 1);
        requestMenu([](QMenu *menu) { choose(menu, QStringLiteral("Open")); });
        QTRY_COMPARE(m_opened.urls.size(), 1);
        const QString first = m_opened.urls[0].toLocalFile();
        QVERIFY(QFile::exists(first));
        QVERIFY(first.endsWith(QStringLiteral("PNG Image in Document One.png")));
        QCOMPARE(QImage(first).convertToFormat(QImage::Format_RGB32), solid(10, 10, Qt::red));
        REOBJECT object;
        QCOMPARE(ed()->getOleInterface()->GetObject(0, object, 0), S_OK);
        QVERIFY(object.dwFlags & REO_OPEN);

        QTest::keyClick(ed(), Qt::Key_Delete);
        QVERIFY(!QFile::exists(first));

        ed()->exSetSel(0, 1);
        requestMenu([](QMenu *menu) { choose(menu, QStringLiteral("Open")); });
        QTRY_COMPARE(m_opened.urls.size(), 2);
        const QString second = m_opened.urls[1].toLocalFile();
        QVERIFY(QFile::exists(second));
        m_w->DeleteAll1->trigger();
        QVERIFY(!QFile::exists(second));
        QCOMPARE(ed()->textLength(), 0);
        QVERIFY(!ed()->DocumentModified());

        // When the control goes, its objects' copies go too.
        pastePicture(encoded(solid(10, 10, Qt::green), "PNG"));
        ed()->exSetSel(0, 1);
        requestMenu([](QMenu *menu) { choose(menu, QStringLiteral("Open")); });
        QTRY_COMPARE(m_opened.urls.size(), 3);
        const QString third = m_opened.urls[2].toLocalFile();
        QVERIFY(QFile::exists(third));
        m_w.reset();
        QVERIFY(!QFile::exists(third));
    }

    // The "Copy" verb puts the picture on the clipboard as its own bytes (for other programs)
    // and as Rich Text; pasting it gives a second picture of the same pixels.
    void copyVerb()
    {
        const QByteArray png = encoded(solid(9, 7, Qt::magenta), "PNG");
        pastePicture(png);
        ed()->exSetSel(0, 1);
        requestMenu([](QMenu *menu) { choose(menu, QStringLiteral("Copy")); });
        const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
        QTRY_VERIFY(copied->hasFormat(QStringLiteral("image/png")));
        QCOMPARE(copied->data(QStringLiteral("image/png")), png);
        QVERIFY(copied->hasFormat(QStringLiteral("text/rtf")));
        ed()->exSetSel(1, 1);
        QTest::keyClick(ed(), Qt::Key_V, Qt::ControlModifier);
        const auto got = pictures();
        QCOMPARE(got.size(), 2);
        QVERIFY(got[0].second.name() != got[1].second.name());
        QCOMPARE(imageOf(got[1].second), imageOf(got[0].second));
    }

    // The host names: the container is the application title trimmed, the document is Title
    // (the container again when Title is blank), set again when Title changes.
    void hostNames()
    {
        RichEditOle *ole = ed()->getOleInterface();
        QVERIFY(ole);
        const QString container = QGuiApplication::applicationDisplayName().trimmed();
        QCOMPARE(ole->containerName(), container);
        QCOMPARE(ole->documentName(), QStringLiteral("Document One"));
        ed()->setTitle(QStringLiteral("  "));
        QCOMPARE(ole->documentName(), container);
        ed()->setTitle(QStringLiteral("Letter"));
        QCOMPARE(ole->documentName(), QStringLiteral("Letter"));
    }

    // A verb that fails raises an error with the reason; the document stays as it was.
    void failingVerbIsAnError()
    {
        pastePicture(encoded(solid(10, 10, Qt::red), "PNG"));
        ed()->exSetSel(0, 1);
        const QByteArray tmp = qgetenv("TMPDIR");
        const QString blocked = path(QStringLiteral("not-a-folder"));
        writeFile(QStringLiteral("not-a-folder"), "x");
        qputenv("TMPDIR", blocked.toLocal8Bit());
        QString message;
        try {
            ed()->DoObjectVerb(0);
        } catch (const EScrivelleError &e) {
            message = e.message();
        }
        if (tmp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", tmp);
        QCOMPARE(message, QStringLiteral("Cannot create a copy of the picture in ") + blocked);
        QVERIFY(m_opened.urls.isEmpty());
        QCOMPARE(pictures().size(), 1);
    }

    // The control's pop-up menu request: one picture alone gives its verb menu headed by
    // "%s Properties"; text, or text with a picture, gives none.
    void verbMenu_data()
    {
        QTest::addColumn<QString>("mime");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("items");
        const QStringList png{QStringLiteral("PNG Image Properties"), QStringLiteral("Open"),
                              QStringLiteral("Copy")};
        QTest::newRow("png alone") << "image/png" << 1 << 2 << png;
        QTest::newRow("jpeg alone") << "image/jpeg" << 1 << 2
                                    << QStringList{QStringLiteral("JPEG Image Properties"),
                                                   QStringLiteral("Open"), QStringLiteral("Copy")};
        QTest::newRow("text") << "image/png" << 0 << 1 << QStringList();
        QTest::newRow("text and picture") << "image/png" << 0 << 2 << QStringList();
        QTest::newRow("nothing selected") << "image/png" << 1 << 1 << QStringList();
    }
    void verbMenu()
    {
        QFETCH(QString, mime);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, items);
        type(QStringLiteral("a"));
        const QImage image = solid(8, 8, Qt::red);
        pastePicture(encoded(image, mime == QLatin1String("image/png") ? "PNG" : "JPEG"),
                     qPrintable(mime));
        type(QStringLiteral("b"));
        ed()->exSetSel(from, to);
        QStringList got;
        bool opened = false;
        requestMenu([&](QMenu *menu) {
            opened = menu;
            got = captions(menu);
        });
        QCOMPARE(opened, !items.isEmpty());
        QCOMPARE(got, items);
    }

    // "%s Properties" opens the properties dialog for the picture; a scale of 250 % shows it
    // 2.5 times as large, is undoable, and survives saving and loading.
    void propertiesScale()
    {
        const QByteArray png = encoded(solid(40, 20, Qt::red), "PNG");
        pastePicture(png);
        ed()->exSetSel(0, 1);
        m_dialogs->answerObjectProperties(250);
        requestMenu([](QMenu *menu) { choose(menu, QStringLiteral("PNG Image Properties")); });
        const auto shown = m_dialogs->shownOf(Kind::ObjectProperties);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("PNG Image Properties"));
        QCOMPARE(shown[0].object.typeName, QStringLiteral("PNG Image"));
        QCOMPARE(shown[0].object.bytes, qint64(png.size()));
        QCOMPARE(shown[0].object.pixels, QSize(40, 20));
        QCOMPARE(shown[0].object.scale, 100);
        QCOMPARE(shown[0].object.minScale, 0);
        QCOMPARE(shown[0].object.maxScale, 500);
        QCOMPARE(pictures()[0].second.width(), 100.0);
        QCOMPARE(pictures()[0].second.height(), 50.0);
        QVERIFY(ed()->DocumentModified());

        saveAs(QStringLiteral("scaled.rtf"));
        QVERIFY(fileBytes(QStringLiteral("scaled.rtf")).contains("\\picscalex250\\picscaley250"));
        open(QStringLiteral("scaled.rtf"));
        QCOMPARE(pictures()[0].second.width(), 100.0);
        QCOMPARE(pictureScaleX(pictures()[0].second), 250);

        // Cancelled: nothing changes. Confirmed at 100: one undo step brings 250 back.
        ed()->exSetSel(0, 1);
        m_dialogs->cancelNext();
        requestMenu([](QMenu *menu) { choose(menu, QStringLiteral("PNG Image Properties")); });
        QCOMPARE(pictures()[0].second.width(), 100.0);
        ed()->exSetSel(0, 1);
        m_dialogs->answerObjectProperties(100);
        requestMenu([](QMenu *menu) { choose(menu, QStringLiteral("PNG Image Properties")); });
        QCOMPARE(pictures()[0].second.width(), 40.0);
        QTest::keyClick(ed(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(pictures()[0].second.width(), 100.0);
        QVERIFY(m_dialogs->allAnswered());
    }

    // An object read from a file keeps its own data when written back, and is named by its
    // class; a damaged picture keeps the rest of the document.
    void objectDataAndDamagedPictures()
    {
        const QByteArray png = encoded(solid(4, 4, Qt::red), "PNG").toHex();
        const QByteArray object = "{\\object\\objemb\\objw60\\objh60{\\*\\objclass Paint.Picture}"
                                  "{\\*\\objdata 01050000020000000b000000}";
        writeFile(QStringLiteral("object.rtf"), "{\\rtf1\\ansi before" + object
                                                    + "{\\result{\\pict\\pngblip " + png
                                                    + "}}}{\\pict\\pngblip 89504e47zz0d0a}after}");
        open(QStringLiteral("object.rtf"));
        QCOMPARE(ed()->TextBetween(0, 13), QStringLiteral("before\uFFFC\uFFFCafter"));
        ed()->exSetSel(6, 7);
        QStringList got;
        requestMenu([&](QMenu *menu) { got = captions(menu); });
        QCOMPARE(got.value(0), QStringLiteral("Bitmap Image Properties"));

        saveAs(QStringLiteral("object-again.rtf"));
        const QByteArray saved = fileBytes(QStringLiteral("object-again.rtf"));
        QVERIFY2(saved.contains(object + "{\\result{\\pict\\pngblip"), saved.constData());
        // Written again from what was read: the same bytes (a fixed point).
        open(QStringLiteral("object-again.rtf"));
        saveAs(QStringLiteral("object-third.rtf"));
        QCOMPARE(fileBytes(QStringLiteral("object-third.rtf")), saved);
    }

    // With AllowObjects false, pictures are refused on paste and drop; text still comes in.
    void allowObjectsFalseRefusesPictures()
    {
        type(QStringLiteral("ab"));
        ed()->setAllowObjects(false);
        QVERIFY(!ed()->getOleInterface());
        ed()->exSetSel(2, 2); // the re-created window put the caret at the start
        pastePicture(encoded(solid(8, 8, Qt::red), "PNG"));
        QVERIFY(pictures().isEmpty());
        QCOMPARE(ed()->textLength(), 2);
        QMimeData data;
        data.setImageData(solid(4, 4, Qt::red));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ed()->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
        // Pictures in pasted Rich Text are left out too; its text comes in.
        auto *rtf = new QMimeData;
        rtf->setData(QStringLiteral("text/rtf"),
                     "{\\rtf1 x{\\pict\\pngblip " + encoded(solid(2, 2, Qt::red), "PNG").toHex()
                         + "}y}");
        paste(rtf);
        QCOMPARE(ed()->TextBetween(0, 4), QStringLiteral("abxy"));
        ed()->setAllowObjects(true);
        pastePicture(encoded(solid(8, 8, Qt::red), "PNG"));
        QCOMPARE(pictures().size(), 1);
    }

    // A picture wider than the text is shown at the text width, its proportions kept.
    void widePictureFitsTheTextWidth()
    {
        pastePicture(encoded(solid(4000, 1000, Qt::red), "PNG"));
        QTest::qWait(20);
        const QTextBlock block = ed()->document()->begin();
        const QTextLine line = block.layout()->lineAt(0);
        const qreal width = line.cursorToX(1) - line.cursorToX(0);
        const qreal room = ed()->viewport()->width();
        QVERIFY2(width <= room && width > room - 30, qPrintable(QString::number(width)));
        QVERIFY(qAbs(line.height() - width / 4) < 3);
        // The document keeps the picture's own size.
        QCOMPARE(pictures()[0].second.width(), 4000.0);
    }
};

QTEST_MAIN(TestRxRichEdObjects)
#include "tst_rxrichedobjects.moc"
