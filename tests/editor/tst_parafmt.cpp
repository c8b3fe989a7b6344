// The paragraph format dialog: filling, live writes on clicks and keys, hint labels, and the
// main window's command around it (OK keeps, Cancel restores).
#include <QtTest>

#include "app/Main.h"
#include "editor/ParaFmt.h"
#include "support/ScriptedDialogs.h"
#include "widgets/RxSpinEdit.h"
#include "widgets/StatusBar.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextTable>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

using namespace richedit;

namespace {

void typeInto(TRxSpinEdit *field, const QString &keys)
{
    for (QChar ch : keys)
        QTest::keyClick(field->editor(), ch.toLatin1());
}

void selectAllIn(TRxSpinEdit *field)
{
    field->editor()->setFocus();
    field->editor()->selectAll();
}

void pointerOver(QWidget *widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Runs act on the paragraph dialog as soon as it shows modally; a dialog left open is closed
// after a few seconds so a failing test cannot hang.
void whenDialogShows(const std::function<void(TParaFormatDlg *)> &act)
{
    auto *timer = new QTimer;
    auto *tries = new int(0);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        auto *d = qobject_cast<TParaFormatDlg *>(QApplication::activeModalWidget());
        if (d && d->isVisible()) {
            timer->stop();
            act(d);
            if (d->isVisible())
                d->reject();
        } else if (++*tries < 300) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        delete tries;
    });
    timer->start(10);
}

// A click on the radio button's indicator.
void clickItem(QAbstractButton *item)
{
    QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(8, item->height() / 2));
}

QList<int> tabsOf(const PARAFORMAT2 &pf)
{
    QList<int> tabs;
    for (int i = 0; i < pf.cTabCount; ++i)
        tabs.append(pf.rgxTabs[size_t(i)]);
    return tabs;
}

} // namespace

class TestParaFmt : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TRxRichEdit> m_editor;
    std::unique_ptr<TParaFormatDlg> m_dialog;

    // Given: a paragraph with the attributes set by prepare, and the dialog filled from it and
    // shown (not modally, so the test can drive it).
    TParaFormatDlg *open(const std::function<void(TRxParaAttributes &)> &prepare = {})
    {
        m_dialog.reset();
        m_editor = std::make_unique<TRxRichEdit>();
        m_editor->ReplaceSelection(QStringLiteral("A paragraph of text"));
        m_editor->exSetSel(2, 2);
        if (prepare)
            prepare(m_editor->ParagraphFormat);
        m_dialog = std::make_unique<TParaFormatDlg>(m_editor->ParagraphFormat);
        m_dialog->FillFromParagraph(m_editor->ParagraphFormat);
        m_dialog->show();
        return m_dialog.get();
    }
    PARAFORMAT2 para() const { return m_editor->ParagraphFormat.get(); }

private slots:
    void hintText_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<QString>("expected");
        QTest::newRow("36") << 36.0 << "0.5 Inch / 12.7 mm";
        QTest::newRow("10") << 10.0 << "0.14 Inch / 3.53 mm";
        QTest::newRow("20") << 20.0 << "0.28 Inch / 7.06 mm";
        QTest::newRow("72") << 72.0 << "1.0 Inch / 25.4 mm";
        QTest::newRow("0") << 0.0 << "0.0 Inch / 0.0 mm";
        QTest::newRow("-36") << -36.0 << "-0.5 Inch / -12.7 mm";
    }
    void hintText()
    {
        QFETCH(double, points);
        QFETCH(QString, expected);
        QCOMPARE(TParaFormatDlg::hintText(points), expected);
    }

    // Filling shows the paragraph and writes nothing back.
    void fill()
    {
        TParaFormatDlg *d = open([](TRxParaAttributes &p) {
            p.setFirstIndent(-12);
            p.setLeftIndent(20);
            p.setRightIndent(7);
            p.setAlignment(TParaAlignment::taCenter);
            p.setSpaceBefore(6);
            p.setSpaceAfter(4);
            p.setSpacingRule(5);
            p.setLineSpacing(2); // double spacing
        });
        QCOMPARE(d->FirstIndent->text(), QStringLiteral("-12"));
        QCOMPARE(d->LeftIndent->text(), QStringLiteral("20"));
        QCOMPARE(d->RightIndent->text(), QStringLiteral("7"));
        QCOMPARE(d->AlignmentItems->checkedId(), 2);
        QCOMPARE(d->SpaceBefore->text(), QStringLiteral("6"));
        QCOMPARE(d->SpaceAfter->text(), QStringLiteral("4"));
        QCOMPARE(d->LineSpacing->text(), QStringLiteral("2"));
        QCOMPARE(d->TabStops->text(), QStringLiteral("36")); // no tab stops: the default
        QCOMPARE(d->Label9->text(), QStringLiteral("0.5 Inch / 12.7 mm"));
        QVERIFY(!d->Label9->isVisible() && !d->Label11->isVisible() && !d->Label14->isVisible());
        QCOMPARE(int(para().bLineSpacingRule), 5);
        QCOMPARE(para().cTabCount, std::int16_t(0));

        open([](TRxParaAttributes &p) {
            p.setTabStopCount(1);
            p.setTabStop(0, 50);
        });
        QCOMPARE(m_dialog->TabStops->text(), QStringLiteral("50"));
    }

    // Any write replaces a non-single spacing by "at least" and the tab stops by 32 equal ones.
    void writeOnKey()
    {
        TParaFormatDlg *d = open([](TRxParaAttributes &p) {
            p.setSpacingRule(5);
            p.setLineSpacing(2);
            p.setTabStopCount(1);
            p.setTabStop(0, 100);
        });
        selectAllIn(d->RightIndent);
        typeInto(d->RightIndent, QStringLiteral("9"));
        const PARAFORMAT2 pf = para();
        QCOMPARE(int(pf.bLineSpacingRule), 3);
        QCOMPARE(pf.dyLineSpacing, 40);
        QCOMPARE(pf.cTabCount, std::int16_t(32));
        QCOMPARE(pf.rgxTabs[0], 2000);
        QCOMPARE(pf.rgxTabs[31], 2000 * 32);
        QCOMPARE(pf.dxRightIndent, 0); // the key's own text is not there yet
    }

    // Up from 0 gives 5 and "at least 5 points"; down again clamps at 0, which is single.
    void lineSpacingButtons()
    {
        TParaFormatDlg *d = open();
        QTest::mouseClick(d->LineSpacing->upButton(), Qt::LeftButton);
        QCOMPARE(d->LineSpacing->text(), QStringLiteral("5"));
        QCOMPARE(int(para().bLineSpacingRule), 3);
        QCOMPARE(para().dyLineSpacing, 100);
        QVERIFY(d->Label14->isVisible());
        QCOMPARE(d->Label14->text(), QStringLiteral("0.07 Inch / 1.76 mm"));
        QTest::mouseClick(d->LineSpacing->downButton(), Qt::LeftButton);
        QTest::mouseClick(d->LineSpacing->downButton(), Qt::LeftButton);
        QCOMPARE(d->LineSpacing->text(), QStringLiteral("0"));
        QCOMPARE(int(para().bLineSpacingRule), 0);
    }

    void lineSpacingTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("rule");
        QTest::addColumn<int>("twips");
        QTest::newRow("0 is single") << "0" << 0 << 0;
        QTest::newRow("15 is at least 15") << "15" << 3 << 300;
        QTest::newRow("text reads as 0") << "x" << 0 << 0;
    }
    void lineSpacingTyped()
    {
        QFETCH(QString, typed);
        QFETCH(int, rule);
        QFETCH(int, twips);
        TParaFormatDlg *d = open([](TRxParaAttributes &p) {
            p.setSpacingRule(4);
            p.setLineSpacing(30);
        });
        selectAllIn(d->LineSpacing);
        typeInto(d->LineSpacing, typed);
        QTest::keyClick(d->LineSpacing->editor(), Qt::Key_Return);
        QVERIFY(d->isVisible()); // Enter in a field does not close the dialog
        QCOMPARE(int(para().bLineSpacingRule), rule);
        QCOMPARE(para().dyLineSpacing, twips);
    }

    // Each key writes the text as it stood before that key.
    void typingSpaceBefore()
    {
        TParaFormatDlg *d = open([](TRxParaAttributes &p) { p.setSpaceBefore(6); });
        selectAllIn(d->SpaceBefore);
        QTest::keyClick(d->SpaceBefore->editor(), '2');
        QCOMPARE(para().dySpaceBefore, 120);
        QTest::keyClick(d->SpaceBefore->editor(), '0');
        QCOMPARE(para().dySpaceBefore, 40);
        QVERIFY(!d->Label14->isVisible());
        QTest::keyClick(d->SpaceBefore->editor(), Qt::Key_Return);
        QCOMPARE(para().dySpaceBefore, 400);
        QVERIFY(d->Label14->isVisible());
        QCOMPARE(d->Label14->text(), QStringLiteral("0.28 Inch / 7.06 mm"));
        QVERIFY(!d->Label11->isVisible());
    }

    void indentsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("twips");
        QTest::newRow("negative first line") << "-12" << -240;
        QTest::newRow("not a number") << "abc" << 0;
    }
    void indentsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(int, twips);
        TParaFormatDlg *d = open([](TRxParaAttributes &p) { p.setFirstIndent(10); });
        selectAllIn(d->FirstIndent);
        typeInto(d->FirstIndent, typed);
        QTest::keyClick(d->FirstIndent->editor(), Qt::Key_Return);
        QCOMPARE(para().dxStartIndent, twips);
        QVERIFY(d->Label11->isVisible());
        QCOMPARE(d->Label11->text(), TParaFormatDlg::hintText(twips / 20));
    }

    // The arrow keys step like the buttons, within the limits.
    void arrowKeys()
    {
        TParaFormatDlg *d = open();
        d->TabStops->editor()->setFocus();
        QTest::keyClick(d->TabStops->editor(), Qt::Key_Up);
        QCOMPARE(d->TabStops->text(), QStringLiteral("37"));
        QCOMPARE(para().rgxTabs[0], 740);
        QCOMPARE(para().rgxTabs[1], 1480);
        QVERIFY(d->Label9->isVisible());
        QCOMPARE(d->Label9->text(), TParaFormatDlg::hintText(37));
        QTest::keyClick(d->SpaceBefore->editor(), Qt::Key_Down);
        QCOMPARE(d->SpaceBefore->text(), QStringLiteral("0"));
        QTest::keyClick(d->FirstIndent->editor(), Qt::Key_Down);
        QCOMPARE(d->FirstIndent->text(), QStringLiteral("-1")); // no limits
        QCOMPARE(para().dxStartIndent, -20);
    }

    // Pointer over a field shows its group's hint; over the body it hides them all.
    void hintsFollowPointer()
    {
        TParaFormatDlg *d = open([](TRxParaAttributes &p) { p.setRightIndent(36); });
        pointerOver(d->RightIndent->editor());
        QVERIFY(d->Label11->isVisible());
        QCOMPARE(d->Label11->text(), QStringLiteral("0.5 Inch / 12.7 mm"));
        pointerOver(d->SpaceAfter->editor());
        QVERIFY(d->Label14->isVisible());
        QCOMPARE(d->Label14->text(), QStringLiteral("0.0 Inch / 0.0 mm"));
        d->TabStops->setText(QStringLiteral("72")); // not entered: the hint keeps its text
        pointerOver(d->TabStops->editor());
        QVERIFY(d->Label9->isVisible());
        QCOMPARE(d->Label9->text(), QStringLiteral("0.5 Inch / 12.7 mm"));
        pointerOver(d->IndentBox);
        QVERIFY(!d->Label9->isVisible() && !d->Label11->isVisible() && !d->Label14->isVisible());
        pointerOver(d->RightIndent->editor());
        pointerOver(d->RbPanel3);
        QVERIFY(!d->Label11->isVisible());
    }

    void alignmentClick()
    {
        TParaFormatDlg *d = open();
        clickItem(d->AlignmentItems->button(1));
        QCOMPARE(m_editor->ParagraphFormat.Alignment(), TParaAlignment::taRightJustify);
        QCOMPARE(para().cTabCount, std::int16_t(32));
    }

    void dragByTitle()
    {
        TParaFormatDlg *d = open();
        d->move(100, 100);
        QTest::mousePress(d->RbPanel1, Qt::LeftButton, {}, QPoint(50, 20));
        const QPointF to(90, 50);
        QMouseEvent move(QEvent::MouseMove, to, d->RbPanel1->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(d->RbPanel1, &move);
        QTest::mouseRelease(d->RbPanel1, Qt::LeftButton, {}, QPoint(90, 50));
        QCOMPARE(d->pos(), QPoint(140, 130));
    }

    // ---- through the main window ----------------------------------------------------------

    void mainWindowCommand()
    {
        m_dialog.reset();
        m_editor.reset();
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        TfrmMainEditor window;
        window.setSettingsPath(dir.filePath(QStringLiteral("DeskTopDock.ini")));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        TRxRichEdit *ed = window.Editor;
        QTest::keyClicks(ed, QStringLiteral("first"));
        QTest::keyClick(ed, Qt::Key_Return);
        QTest::keyClicks(ed, QStringLiteral("second"));

        // Given two paragraphs with their own attributes, both selected, nothing modified.
        ed->exSetSel(0, 0);
        TRxParaAttributes &p = ed->ParagraphFormat;
        p.setAlignment(TParaAlignment::taCenter);
        p.setFirstIndent(5);
        p.setLeftIndent(10);
        p.setSpaceBefore(4);
        p.setSpacingRule(5);
        p.setLineSpacing(2);
        p.setTabStopCount(1);
        p.setTabStop(0, 5);
        ed->exSetSel(8, 8);
        p.setRightIndent(3);
        p.setSpaceAfter(2);
        ed->exSetSel(0, ed->textLength());
        ed->exSetSel(0, 8);
        const PARAFORMAT2 before0 = [&] { ed->exSetSel(1, 1); return p.get(); }();
        const PARAFORMAT2 before1 = [&] { ed->exSetSel(8, 8); return p.get(); }();
        ed->exSetSel(1, 8);
        window.SetModifiedState(false);
        window.btnNewDoc->setFocus();

        // When the dialog is changed live and cancelled.
        bool centred = false;
        bool liveChange = false;
        whenDialogShows([&](TParaFormatDlg *d) {
            centred = (d->frameGeometry().center() - window.frameGeometry().center())
                          .manhattanLength() <= 2;
            selectAllIn(d->LeftIndent);
            typeInto(d->LeftIndent, QStringLiteral("40"));
            QTest::keyClick(d->LeftIndent->editor(), Qt::Key_Return);
            clickItem(d->AlignmentItems->button(3));
            liveChange = p.LeftIndent() == 40 && p.TabStopCount() == 32;
            QTest::mouseClick(d->RbButton1, Qt::LeftButton);
        });
        QTest::mouseClick(window.btnParagraphAttributes, Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(centred);
        QVERIFY(liveChange);

        // Then every paragraph is back as it was, and so is the modified state.
        ed->exSetSel(1, 1);
        PARAFORMAT2 after = p.get();
        QCOMPARE(after.wAlignment, before0.wAlignment);
        QCOMPARE(after.dxStartIndent, before0.dxStartIndent);
        QCOMPARE(after.dxOffset, before0.dxOffset);
        QCOMPARE(after.dySpaceBefore, before0.dySpaceBefore);
        QCOMPARE(int(after.bLineSpacingRule), 5);
        QCOMPARE(after.dyLineSpacing, 40);
        QCOMPARE(tabsOf(after), tabsOf(before0));
        ed->exSetSel(8, 8);
        after = p.get();
        QCOMPARE(after.dxRightIndent, before1.dxRightIndent);
        QCOMPARE(after.dySpaceAfter, before1.dySpaceAfter);
        QCOMPARE(after.dxOffset, before1.dxOffset);
        QCOMPARE(tabsOf(after), tabsOf(before1));
        QVERIFY(!ed->DocumentModified());
        QCOMPARE(window.StatusBar1->panelText(5), QString());
        QCOMPARE(window.focusWidget(), static_cast<QWidget *>(ed));

        // When OK is pressed without touching anything: all fields are written once more.
        ed->exSetSel(1, 1);
        whenDialogShows([](TParaFormatDlg *d) { QTest::mouseClick(d->RbButton2, Qt::LeftButton); });
        QTest::mouseClick(window.btnParagraphAttributes, Qt::LeftButton, {}, QPoint(20, 20));
        after = p.get();
        QCOMPARE(after.cTabCount, std::int16_t(32));
        for (int i = 0; i < 32; ++i)
            QCOMPARE(after.rgxTabs[size_t(i)], 100 * (i + 1)); // the first stop, 5 points
        QCOMPARE(int(after.bLineSpacingRule), 3);
        QCOMPARE(after.dyLineSpacing, 40);
        QCOMPARE(after.wAlignment, PFA_CENTER);
        QVERIFY(ed->DocumentModified());

        window.SetModifiedState(false);
    }

    // Given a block of table cells whose last cell holds two paragraphs, when the dialog
    // changes the alignment and is cancelled, then every selected paragraph is as it was; when
    // it is confirmed, every selected paragraph, the last cell's second one too, takes it and
    // the cell beside the block keeps its own.
    void blockOfCellsCancelAndOk()
    {
        m_dialog.reset();
        m_editor.reset();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("cells.rtf"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard Before\\par\n"
                "\\trowd\\cellx3000\\cellx6000\\pard\\intbl a\\cell b\\cell\\row\n"
                "\\trowd\\cellx3000\\cellx6000\\pard\\intbl c\\cell d\\par e\\cell\\row\n"
                "\\pard After\\par}");
        f.close();
        ScriptedDialogs dialogs;
        TfrmMainEditor window;
        window.setSettingsPath(dir.filePath(QStringLiteral("DeskTopDock.ini")));
        window.setStartArguments({file});
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        TRxRichEdit *ed = window.Editor;
        QTextTable *table = nullptr;
        for (QTextFrame *frame : ed->document()->rootFrame()->childFrames())
            table = qobject_cast<QTextTable *>(frame);
        QVERIFY(table);
        auto clickAt = [&](int position, Qt::KeyboardModifiers modifiers) {
            QTextCursor c(ed->document());
            c.setPosition(position);
            QTest::mouseClick(ed->viewport(), Qt::LeftButton, modifiers,
                              ed->cursorRect(c).center() + QPoint(1, 0));
        };
        // The second column: "b", then "d" and "e".
        clickAt(table->cellAt(0, 1).firstPosition(), {});
        clickAt(table->cellAt(1, 1).lastPosition(), Qt::ShiftModifier);
        QVERIFY(ed->textCursor().hasComplexSelection());
        auto alignments = [&] {
            QList<int> out;
            for (int position : {table->cellAt(0, 1).firstPosition(),
                                 table->cellAt(1, 1).firstPosition(),
                                 table->cellAt(1, 1).lastPosition(),
                                 table->cellAt(1, 0).firstPosition()})
                out << int(ed->document()->findBlock(position).blockFormat().alignment()
                           & Qt::AlignHorizontal_Mask);
            return out;
        };
        const QList<int> before = alignments();
        QCOMPARE(before, QList<int>(4, int(Qt::AlignLeft)));

        whenDialogShows([&](TParaFormatDlg *d) {
            clickItem(d->AlignmentItems->button(2));
            QTest::mouseClick(d->RbButton1, Qt::LeftButton);
        });
        QTest::mouseClick(window.btnParagraphAttributes, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(alignments(), before);

        whenDialogShows([&](TParaFormatDlg *d) {
            clickItem(d->AlignmentItems->button(2));
            QTest::mouseClick(d->RbButton2, Qt::LeftButton);
        });
        QTest::mouseClick(window.btnParagraphAttributes, Qt::LeftButton, {}, QPoint(20, 20));
        const QList<int> after = alignments();
        QVERIFY(after.at(0) != int(Qt::AlignLeft));
        QCOMPARE(after.at(1), after.at(0));
        QCOMPARE(after.at(2), after.at(0));
        QCOMPARE(after.at(3), int(Qt::AlignLeft));
        window.SetModifiedState(false);
        ed->setDocumentModified(false);
    }

    // A paragraph without tab stops gets 32 at 36, 72, ... 1152 points on OK.
    void okGivesDefaultTabs()
    {
        TRxRichEdit editor;
        editor.ReplaceSelection(QStringLiteral("text"));
        whenDialogShows([](TParaFormatDlg *d) { QTest::mouseClick(d->RbButton2, Qt::LeftButton); });
        QVERIFY(ExecuteParagraphDialog(editor.ParagraphFormat));
        const PARAFORMAT2 pf = editor.ParagraphFormat.get();
        QCOMPARE(pf.cTabCount, std::int16_t(32));
        QCOMPARE(pf.rgxTabs[0], 720);
        QCOMPARE(pf.rgxTabs[31], 1152 * 20);

        whenDialogShows([](TParaFormatDlg *d) { QTest::mouseClick(d->RbButton1, Qt::LeftButton); });
        QVERIFY(!ExecuteParagraphDialog(editor.ParagraphFormat));
    }
};

QTEST_MAIN(TestParaFmt)
#include "tst_parafmt.moc"
