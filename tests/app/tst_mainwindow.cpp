// The main window as a user meets it: start-up order and captions, the first argument, the
// activation, closing, the pop-up menu, the toolbar indent, eye-level modes, the view switches,
// help and the settings file.
#include <QtTest>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Exceptions.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "app/WindowPlacement.h"
#include "support/ScriptedDialogs.h"
#include "support/WindowDriver.h"
#include "editor/ParaFmt.h"
#include "widgets/Clock.h"
#include "widgets/StatusBar.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

using Kind = ScriptedDialogs::Kind;

class TestMainWindow : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // A main window started as the program starts it, with its settings in the test folder.
    std::unique_ptr<TfrmMainEditor> start(const QStringList &arguments = {})
    {
        auto w = std::make_unique<TfrmMainEditor>();
        w->setSettingsPath(path(QStringLiteral("DeskTopDock.ini")));
        w->setStartArguments(arguments);
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qWarning("window not exposed");
        return w;
    }

private slots:
    void init()
    {
        m_dialogs = std::make_unique<ScriptedDialogs>();
        QFile::remove(path(QStringLiteral("DeskTopDock.ini")));
    }
    void cleanup() { m_dialogs.reset(); }

    void windowsAreCreatedInOrderWithTheirCaptions()
    {
        ProgramWindows windows = createProgramWindows();
        QStringList captions{windows.main->windowTitle()};
        for (const auto &w : windows.others)
            captions << w->windowTitle();
        QCOMPARE(captions, (QStringList{QStringLiteral("Tessra Office - Scrivelle"),
                                        QStringLiteral("Document History"),
                                        QStringLiteral("Document Export Status..."),
                                        QStringLiteral("Presentation Options"),
                                        QStringLiteral("Print Preview"),
                                        QStringLiteral("Header and Footer Text"),
                                        QStringLiteral("Page Margins")}));
        for (const auto &w : windows.others)
            QVERIFY(!w->isVisible());
    }

    void firstArgumentThatIsNoFileGivesAnUntitledDocument()
    {
        auto w = start({path(QStringLiteral("nothing-here.rtf"))});
        QCOMPARE(w->DocumentFileName, QStringLiteral("Untitled Document"));
        QCOMPARE(w->Editor->windowText(), QString());
        QVERIFY(m_dialogs->shown().isEmpty());
    }

    void firstArgumentOpensTheFileAndActivationSettlesIt()
    {
        writeFile(QStringLiteral("start.rtf"), "{\\rtf1\\ansi Opened at start\\par}");
        setApplicationTitle(QStringLiteral(" Scrivelle"));
        auto w = start({path(QStringLiteral("start.rtf"))});
        QVERIFY(w->Editor->windowText().startsWith(QStringLiteral("Opened at start")));
        QCOMPARE(w->windowTitle(), QStringLiteral("Tessra Office - >>  [start.rtf]"));
        QCOMPARE(applicationTitle(), QStringLiteral("start.rtf"));
        QCOMPARE(w->StatusBar1->panelText(5), QString());
        QVERIFY(!w->Editor->CanUndoStep());
        QCOMPARE(w->Editor->ParagraphFormat.Alignment(), TParaAlignment::taJustify);
        QVERIFY(w->btnAlignJustify->isChecked());
        QCOMPARE(w->StatusBar1->panelText(0), QStringLiteral("Line:   1  Col:   1"));
    }

    void firstArgumentIsTakenByItsBytes()
    {
        // Given a file whose name is not ASCII, and another whose name is what a name with an
        // invalid byte would decode to.
        writeFile(QStringLiteral("caf\u00e9 \u2713.rtf"), "{\\rtf1\\ansi By its bytes\\par}");
        writeFile(QStringLiteral("x\ufffd.rtf"), "{\\rtf1\\ansi The wrong file\\par}");
        const QByteArray program("scrivelle");
        QByteArray good = QFile::encodeName(path(QStringLiteral("caf\u00e9 \u2713.rtf")));
        QByteArray bad = QFile::encodeName(path(QStringLiteral("x"))) + "\xff.rtf";
        QString refusal;
        {
            // When the program is started with the first name, it opens that very file.
            char *argv[] = {const_cast<char *>(program.data()), good.data()};
            const QStringList names = argumentFileNames(2, argv, 1, &refusal);
            QCOMPARE(refusal, QString());
            auto w = start(names);
            QVERIFY(w->Editor->windowText().startsWith(QStringLiteral("By its bytes")));
        }
        {
            // When started with the invalid name, it opens nothing and says why.
            char *argv[] = {const_cast<char *>(program.data()), bad.data(), good.data()};
            const QStringList names = argumentFileNames(3, argv, 1, &refusal);
            QCOMPARE(names, QStringList());
            QCOMPARE(refusal, QStringLiteral("The name \"%1\" is not valid in the file name "
                                             "encoding; nothing was read or written")
                                  .arg(QString::fromLocal8Bit(bad)));
            auto w = start(names);
            QCOMPARE(w->DocumentFileName, QStringLiteral("Untitled Document"));
            QCOMPARE(w->Editor->windowText(), QString());
        }
    }

    void closingFadesOnlyWithoutUnsavedChanges()
    {
        auto w = start();
        QElapsedTimer t;
        t.start();
        QVERIFY(w->close());
        QVERIFY(t.elapsed() >= 500); // the 600 ms fade-out ran
        auto m = start();
        m->Editor->setFocus();
        QTest::keyClicks(m->Editor, QStringLiteral("unsaved"));
        m_dialogs->answer(dialogs::Answer::No);
        t.restart();
        QVERIFY(m->close());
        QVERIFY(t.elapsed() < 590); // no 600 ms fade-out
        // Cancel keeps the window open.
        auto c = start();
        c->Editor->setFocus();
        QTest::keyClicks(c->Editor, QStringLiteral("unsaved"));
        m_dialogs->answer(dialogs::Answer::Cancel);
        QVERIFY(!c->close());
        QVERIFY(c->isVisible());
        c->Editor->setDocumentModified(false);
    }

    void onlyTheRightButtonPopsTheMenu()
    {
        auto w = start();
        QTest::mouseClick(w->Editor->viewport(), Qt::LeftButton);
        QVERIFY(!w->PopupMenu1->isVisible());
        QTest::mousePress(w->Editor->viewport(), Qt::RightButton, {}, QPoint(30, 30));
        QTRY_VERIFY(w->PopupMenu1->isVisible());
        w->PopupMenu1->hide();
    }

    void toolbarIndentFollowsTheWidth()
    {
        auto w = start();
        const int frame = w->frameGeometry().width() - w->width();
        w->resize(1024 - frame, w->height());
        QCOMPARE(w->ToolBar1->property("indent").toInt(), 0);
        w->resize(1225 - frame, w->height());
        QCOMPARE(w->ToolBar1->property("indent").toInt(), 100);
    }

    void eyeLevelModes()
    {
        auto w = start();
        w->resize(1016, 550);
        w->layoutControls();
        QCOMPARE(w->Editor->size(), QSize(709, 464));
        w->KeepTextEyeLevel121Click();
        QCOMPARE(w->Editor->height(), 232);
        QCOMPARE(w->B1->y(), 212);
        QVERIFY(w->B1->isVisible() && w->B2->isVisible());
        QVERIFY(w->KeepTextEyeLevel121->isChecked());
        // Straight to one third: the full height is taken again first.
        w->KeepTextEyeLevel1Click();
        QCOMPARE(w->Editor->height(), 309);
        QCOMPARE(w->B2->y(), 289);
        QVERIFY(w->KeepTextEyeLevel1->isChecked() && !w->KeepTextEyeLevel121->isChecked());
        // Hiding the toolbar moves the editor up while a mode is on.
        w->ShowToolbar1Click();
        QVERIFY(!w->CoolBar1->isVisible());
        QCOMPARE(w->Editor->y(), 26);
        w->ShowToolbar1Click();
        QCOMPARE(w->Editor->y(), 67);
        // The same item again ends the mode.
        w->KeepTextEyeLevel1Click();
        QVERIFY(!w->B1->isVisible());
        QCOMPARE(w->Editor->height(), 464);
        QVERIFY(!w->eyeLevelModeOn());
    }

    void hidingTheScrollBarKeepsTheDocument()
    {
        auto w = start();
        w->Editor->setFocus();
        QTest::keyClicks(w->Editor, QStringLiteral("formatted"));
        w->Editor->SelectEverything();
        w->Editor->SelectionFormat.setStyle(fsItalic);
        w->ShowScrollBar1Click();
        QVERIFY(w->ShowScrollBar1->isChecked());
        QCOMPARE(w->Editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(w->Editor->windowText(), QStringLiteral("formatted"));
        QVERIFY(w->Editor->DocumentModified());
        w->Editor->SelectEverything();
        QCOMPARE(w->Editor->SelectionFormat.Style(), fsItalic);
        w->ShowScrollBar1Click();
        QCOMPARE(w->Editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        w->Editor->setDocumentModified(false);
    }

    void helpFromF1AndTheButtonIsTheSame()
    {
        auto w = start();
        QTest::keyClick(w.get(), Qt::Key_F1);
        QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
        const auto boxes = m_dialogs->shownOf(Kind::Information);
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].text, boxes[1].text);
        // The shortcut keys and saved settings, with the writing aids' keys and spelling
        QCOMPARE(boxes[0].text.split(QStringLiteral("\r\n")).size(), 31);
        QVERIFY(boxes[0].text.contains(QStringLiteral("Ctrl + F - Find...")));
        QVERIFY(boxes[0].text.contains(QStringLiteral("Ctrl + R - Replace...")));
        QVERIFY(boxes[0].text.contains(QStringLiteral("Add to Dictionary")));
        QVERIFY(boxes[0].text.startsWith(QStringLiteral("Short-Cut keys for the editor.\r\n")));
        QVERIFY(boxes[0].text.endsWith(QStringLiteral("- Scrollbar and ToolBar Visibility")));
    }

    void settingsAreReadAtActivationAndWrittenAtTheEnd()
    {
        writeFile(QStringLiteral("DeskTopDock.ini"),
                  "[Page View]\r\nEditor Colour=0x0000FF\r\nToolBar=2\r\nHalf Level=1\r\nThird Level=1\r\n"
                  "[Print Margins]\r\nTopSize=20\r\n");
        auto w = start();
        QCOMPARE(w->Editor->Color(), TColor(255));
        QVERIFY(!w->CoolBar1->isVisible());
        QVERIFY(w->KeepTextEyeLevel1->isChecked());
        QVERIFY(!w->KeepTextEyeLevel121->isChecked());
        QCOMPARE(w->TopSize, 20);
        QCOMPARE(w->LeftSize, 25);
        w->FormDestroy();
        QFile f(path(QStringLiteral("DeskTopDock.ini")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray ini = f.readAll();
        QVERIFY(ini.contains("Editor Colour=255"));
        QVERIFY(ini.contains("Third Level=1"));
    }

    void settingsThatCannotBeWrittenReportTheFile()
    {
        auto w = start();
        writeFile(QStringLiteral("blocker"), "x");
        const QString ini = path(QStringLiteral("blocker/DeskTopDock.ini"));
        w->setSettingsPath(ini);
        try {
            w->FormDestroy();
            QFAIL("no error");
        } catch (const EScrivelleError &e) {
            QCOMPARE(e.message(), QStringLiteral("Unable to write to %1").arg(ini));
        }
    }

    void activationAfterAnExportKeepsTheDocumentState()
    {
        ProgramWindows windows = createProgramWindows();
        TfrmMainEditor *w = windows.main;
        w->setSettingsPath(path(QStringLiteral("DeskTopDock.ini")));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->Editor->setFocus();
        QTest::keyClicks(w->Editor, QStringLiteral("left aligned work"));
        w->Editor->ParagraphFormat.setAlignment(TParaAlignment::taLeftJustify);
        QVERIFY(w->Editor->CanUndoStep());
        // The activation reads the settings again: a margin stored meanwhile is taken up.
        writeFile(QStringLiteral("DeskTopDock.ini"), "[Print Margins]\r\nTopSize=33\r\n");
        const TColor colour = w->Editor->Color();
        w->SaveDocument(path(QStringLiteral("out.pdf")));
        QTRY_COMPARE(w->TopSize, 33);
        QCOMPARE(w->Editor->Color(), colour); // the export puts the editor's colour back
        QVERIFY(QFile::exists(path(QStringLiteral("out.pdf"))));
        QTest::qWait(50);
        QVERIFY(w->Editor->DocumentModified());
        QCOMPARE(w->StatusBar1->panelText(5), QStringLiteral("Modified"));
        QVERIFY(w->Editor->CanUndoStep());
        QCOMPARE(w->Editor->ParagraphFormat.Alignment(), TParaAlignment::taLeftJustify);
        w->Editor->setDocumentModified(false);
    }

    void windowIsPlacedByItsFrameInTheWorkArea()
    {
        // A frame of 5-pixel borders and a 25-pixel title bar on a work area below a panel.
        const QRect area(0, 24, 1280, 776);
        const QMargins frame(5, 25, 5, 5);
        const QRect inner = placement::fullHeightInnerRect(area, frame, 128, 1024);
        QCOMPARE(inner.marginsAdded(frame), QRect(128, 24, 1024, 776));
        const QRect centred = placement::centredInnerRect(area, frame, 1024, 550);
        QCOMPARE(centred.marginsAdded(frame), QRect(128, 24 + (776 - 580) / 2, 1024, 580));
        // A screen narrower than the window: the frame starts at the work area's left edge.
        QCOMPARE(placement::centredInnerRect(QRect(0, 0, 800, 600), frame, 1024, 550).left(), 5);

        // The window as it is framed: the frame fills the work area's height.
        WindowDriver w(m_dir.path());
        const QRect work = w->screen()->availableGeometry();
        QVERIFY(w->frameGeometry() != w->geometry()); // this platform frames its windows too
        QCOMPARE(w->frameGeometry().top(), work.top());
        QCOMPARE(w->frameGeometry().bottom(), work.bottom());
        QCOMPARE(w->frameGeometry().width(), 1024);
    }

    void titleBarShowsTheCaptionAlone()
    {
        writeFile(QStringLiteral("report.rtf"), "{\\rtf1\\ansi Report\\par}");
        WindowDriver w(m_dir.path());
        QCOMPARE(w.caption(), QStringLiteral("Tessra Office - Scrivelle"));
        w.dialogs().answerFile(path(QStringLiteral("report.rtf")));
        w.press(QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(w.caption(), QStringLiteral("Tessra Office - >>  [report.rtf]"));
        QCOMPARE(applicationTitle(), QStringLiteral("report.rtf"));
        w.press(QKeySequence(QStringLiteral("Ctrl+N")));
        QCOMPARE(w.caption(), QStringLiteral("Tessra Office >> Untitled Document"));
    }

    void helpBoxShowsItsColumnsUnwrapped()
    {
        WindowDriver w(m_dir.path());
        w.useRealDialogs();
        bool checked = false;
        w.onDialog([&](QWidget *dialog) {
            auto *box = qobject_cast<QMessageBox *>(dialog);
            QVERIFY(box);
            auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            // Every line fits the label's width, so none wraps.
            const QFontMetrics metrics(label->font());
            for (QString line : TfrmMainEditor::helpText().split(QStringLiteral("\r\n")))
                QVERIFY2(metrics.horizontalAdvance(line) <= label->width(), qPrintable(line));
            checked = true;
            box->accept();
        });
        w.press(QKeySequence(Qt::Key_F1));
        QVERIFY(checked);
    }

    void undoFollowsTheHistoryFromTheStart()
    {
        WindowDriver w(m_dir.path());
        QVERIFY(!w->btnUndo->isEnabled());
        QVERIFY(!w->btnRedo->isEnabled());
        w.type(QStringLiteral("x"));
        QVERIFY(w->btnUndo->isEnabled());
        w.click(w->btnUndo);
        QVERIFY(!w->btnUndo->isEnabled());
        QVERIFY(w->btnRedo->isEnabled());
    }

    void clockStaysInItsPanelWhenTheWindowShrinks()
    {
        WindowDriver w(m_dir.path());
        w->resize(700, 380);
        QVERIFY(w->RxClock1->isVisible());
        QVERIFY(w->Panel3->rect().contains(w->RxClock1->geometry()));
        QCOMPARE(w->RxClock1->y(), w->Panel3->height() - 35);
        w->resize(1016, 700);
        QCOMPARE(w->RxClock1->y(), w->Panel3->height() - 35);
    }

    void alignmentButtonsFollowTheParagraphDialog()
    {
        WindowDriver w(m_dir.path());
        w.useRealDialogs();
        w.type(QStringLiteral("centre me"));
        QVERIFY(w->btnAlignJustify->isChecked()); // the activation justified the paragraph
        w.onDialog([&](QWidget *dialog) {
            auto *paragraph = qobject_cast<TParaFormatDlg *>(dialog);
            QVERIFY(paragraph);
            QAbstractButton *centre = paragraph->AlignmentItems->button(2);
            QTest::mouseClick(centre, Qt::LeftButton, {}, QPoint(6, centre->height() / 2));
            QTest::mouseClick(paragraph->RbButton2, Qt::LeftButton);                // OK
        });
        w.click(w->btnParagraphAttributes, Qt::LeftButton, QPoint(20, 20));
        QVERIFY(w.dialogsHandled());
        QCOMPARE(w->Editor->ParagraphFormat.Alignment(), TParaAlignment::taCenter);
        QVERIFY(w->btnCenterAlign->isChecked());
        QVERIFY(!w->btnAlignJustify->isChecked());
    }

    void paragraphButtonLosesItsHoverWhenTheMenuCloses()
    {
        WindowDriver w(m_dir.path());
        QTest::mouseMove(w->btnParagraphAttributes, QPoint(w->btnParagraphAttributes->width() - 5, 20));
        QCursor::setPos(w->mapToGlobal(QPoint(w->width() / 2, w->height() / 2)));
        w.choose(QStringLiteral("Single Line Spacing"));
        QTRY_VERIFY(!w->btnParagraphAttributes->underMouse());
    }

    void eyeLevelLeavesTheContainerColourBelowTheEditor()
    {
        WindowDriver w(m_dir.path(), "[Page View]\r\nEditor Colour=65280\r\n"); // green
        w.choose(QStringLiteral("Keep Text Eye Level - 1/2"));
        const QRect editor = w->Editor->geometry();
        const QImage picture = w->dxContainer1->grab().toImage();
        const QPoint below(editor.center().x(), editor.bottom() + 40);
        QCOMPARE(picture.pixelColor(below), QColor(0, 255, 0));
    }

    void errorBoxText()
    {
        QCOMPARE(::errorBoxText(QStringLiteral("Cannot open file x")), QStringLiteral("Cannot open file x."));
        QCOMPARE(::errorBoxText(QStringLiteral("Done.")), QStringLiteral("Done."));
        QCOMPARE(::errorBoxText(QStringLiteral("Why?")), QStringLiteral("Why?."));
        QCOMPARE(::errorBoxText(QStringLiteral("(x)")), QStringLiteral("(x)"));
        QCOMPARE(::errorBoxText(QStringLiteral("size 12")), QStringLiteral("size 12."));
    }

    void theFirstKeystrokeShowsModified()
    {
        // Given a fresh window, when one character is typed, then panel 5 says "Modified"
        // (the document's flag flips only after it has reported the edit).
        auto w = start();
        w->Editor->setFocus();
        QTest::keyClick(w->Editor, Qt::Key_A);
        QCOMPARE(w->StatusBar1->panelText(5), QStringLiteral("Modified"));
        // Undoing it back to the unmodified state clears the panel again.
        QTest::keyClick(w->Editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w->StatusBar1->panelText(5), QString());
        w->Editor->setDocumentModified(false);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
