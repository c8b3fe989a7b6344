// The rich text control: attributes in points, targets, line counts, streaming, switching
// between plain and rich text, re-creation and protected text.
#include <QtTest>

#include "app/Exceptions.h"
#include "editor/RxRichEd.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>

using namespace richedit;

namespace {

// A device whose reads always fail, to drive both load attempts into an error.
class FailingDevice : public QIODevice {
protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64) override { return -1; }
};

void setText(TRxRichEdit &e, const QString &text)
{
    e.SelectEverything();
    e.replaceSel(text, true);
}

} // namespace

class TestRxRichEdit : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_edit = std::make_unique<TRxRichEdit>();
        m_edit->resize(400, 300);
        m_edit->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_edit.get()));
    }
    void cleanup() { m_edit.reset(); }

    void sizeConversionTruncatesToWholePoints()
    {
        setText(*m_edit, QStringLiteral("abc"));
        m_edit->SelectEverything();
        CHARFORMAT2 cf;
        cf.dwMask = CFM_SIZE;
        cf.yHeight = 230; // 11.5 points
        m_edit->setCharFormat(SCF_SELECTION, cf);
        QCOMPARE(m_edit->SelectionFormat.get().yHeight, 230);
        QCOMPARE(m_edit->SelectionFormat.Size(), 11);
    }

    void faceNameIsCutToTheField()
    {
        setText(*m_edit, QStringLiteral("abc"));
        m_edit->SelectEverything();
        m_edit->SelectionFormat.setFaceName(QString(40, QLatin1Char('F')));
        QCOMPARE(m_edit->SelectionFormat.FaceName(), QString(31, QLatin1Char('F')));
    }

    void fontWithWindowTextColourDropsStyleUntilSetAgain()
    {
        setText(*m_edit, QStringLiteral("abc"));
        m_edit->SelectEverything();
        TFont f;
        f.Name = QStringLiteral("Arial");
        f.Size = 14;
        f.Style = fsBold | fsItalic;
        f.Color = clWindowText;
        m_edit->SelectionFormat.AssignFont(f);
        QCOMPARE(m_edit->SelectionFormat.Style(), 0);
        QCOMPARE(m_edit->SelectionFormat.Color(), clWindowText);
        QCOMPARE(m_edit->SelectionFormat.FaceName(), QStringLiteral("Arial"));
        QCOMPARE(m_edit->SelectionFormat.Size(), 14);
        m_edit->SelectionFormat.setStyle(fsBold | fsItalic);
        QCOMPARE(m_edit->SelectionFormat.Style(), fsBold | fsItalic);
        // An explicit colour keeps the style bits of the copy.
        f.Color = 0x0000FF;
        m_edit->SelectionFormat.AssignFont(f);
        QCOMPARE(m_edit->SelectionFormat.Style(), fsBold | fsItalic);
        QCOMPARE(m_edit->SelectionFormat.Color(), TColor(0x0000FF));
    }

    void wordTargetTakesTheWholeWordSelectionTargetOnlyTheCaret()
    {
        setText(*m_edit, QStringLiteral("alpha beta  gamma"));
        m_edit->setSelectionStart(8); // inside "beta"
        m_edit->WordFormat.setStyle(fsBold);
        m_edit->exSetSel(6, 10);
        QCOMPARE(m_edit->SelectionFormat.Style(), fsBold);
        m_edit->exSetSel(0, 5);
        QCOMPARE(m_edit->SelectionFormat.Style(), 0);

        // Between two spaces the word target only changes the insertion format.
        m_edit->setSelectionStart(11);
        m_edit->WordFormat.setStyle(fsItalic);
        QCOMPARE(m_edit->SelectionFormat.Style(), fsItalic);
        m_edit->exSetSel(6, 10);
        QCOMPARE(m_edit->SelectionFormat.Style(), fsBold);
        m_edit->exSetSel(12, 17);
        QCOMPARE(m_edit->SelectionFormat.Style(), 0);

        // The selection target with an empty selection leaves the word alone.
        m_edit->setSelectionStart(2);
        m_edit->SelectionFormat.setStyle(fsUnderline);
        m_edit->exSetSel(0, 5);
        QCOMPARE(m_edit->SelectionFormat.Style(), 0);
    }

    void paragraphReadFirstWritesKeepTheOtherMember()
    {
        setText(*m_edit, QStringLiteral("para"));
        m_edit->ParagraphFormat.setSpacingRule(4);
        m_edit->ParagraphFormat.setLineSpacing(18);
        QCOMPARE(m_edit->ParagraphFormat.SpacingRule(), 4);
        QCOMPARE(m_edit->ParagraphFormat.LineSpacing(), 18);
        m_edit->ParagraphFormat.setSpacingRule(3);
        QCOMPARE(m_edit->ParagraphFormat.LineSpacing(), 18);
    }

    void tabStopRaisesCountToIndex()
    {
        setText(*m_edit, QStringLiteral("para"));
        m_edit->ParagraphFormat.setTabStopCount(3);
        for (int i = 0; i < 3; ++i)
            m_edit->ParagraphFormat.setTabStop(i, 36 * (i + 1));
        QCOMPARE(m_edit->ParagraphFormat.TabStopCount(), 3);
        m_edit->ParagraphFormat.setTabStop(5, 300);
        QCOMPARE(m_edit->ParagraphFormat.TabStopCount(), 5);
        QCOMPARE(m_edit->ParagraphFormat.TabStop(2), 108);
        QCOMPARE(m_edit->ParagraphFormat.TabStop(4), 0);
    }

    void bulletedAdjustsTheLeftIndent()
    {
        setText(*m_edit, QStringLiteral("item"));
        m_edit->ParagraphFormat.setBulleted(true);
        QCOMPARE(m_edit->ParagraphFormat.LeftIndent(), 10);
        QCOMPARE(m_edit->getParaFormat().wNumbering, PFN_BULLET);
        m_edit->ParagraphFormat.setLeftIndent(30);
        m_edit->ParagraphFormat.setBulleted(false);
        QCOMPARE(m_edit->ParagraphFormat.LeftIndent(), 0);
        QCOMPARE(m_edit->getParaFormat().wNumbering, 0);
    }

    void indentsRoundTripInTwips()
    {
        setText(*m_edit, QStringLiteral("para"));
        m_edit->ParagraphFormat.setFirstIndent(36);
        m_edit->ParagraphFormat.setLeftIndent(-18);
        m_edit->ParagraphFormat.setRightIndent(12);
        m_edit->ParagraphFormat.setSpaceBefore(12);
        m_edit->ParagraphFormat.setSpaceAfter(3);
        QCOMPARE(m_edit->ParagraphFormat.FirstIndent(), 36);
        QCOMPARE(m_edit->ParagraphFormat.LeftIndent(), -18);
        QCOMPARE(m_edit->ParagraphFormat.RightIndent(), 12);
        QCOMPARE(m_edit->ParagraphFormat.SpaceBefore(), 12);
        QCOMPARE(m_edit->ParagraphFormat.SpaceAfter(), 3);
        m_edit->ParagraphFormat.setAlignment(TParaAlignment::taJustify);
        QCOMPARE(m_edit->ParagraphFormat.Alignment(), TParaAlignment::taJustify);
    }

    void lineCounts()
    {
        QCOMPARE(m_edit->Lines.LineCount(), 0);
        setText(*m_edit, QStringLiteral("one\rtwo\r"));
        QCOMPARE(m_edit->Lines.LineCount(), 2);
        setText(*m_edit, QStringLiteral("one\rtwo"));
        QCOMPARE(m_edit->Lines.LineCount(), 2);
        // Wrapped lines count separately.
        setText(*m_edit, QString(60, QLatin1Char('w')).replace(QLatin1String("ww"), QLatin1String("w ")).repeated(6));
        QVERIFY(m_edit->lineCount() > 2);
        const int lines = m_edit->lineCount();
        QCOMPARE(m_edit->lineFromChar(m_edit->textLength()), lines - 1);
        QCOMPARE(m_edit->lineIndex(lines), -1);
        QCOMPARE(m_edit->lineIndex(0), 0);
        QVERIFY(m_edit->lineIndex(1) > 0);
    }

    // Given wrapped paragraphs, when line numbers are asked for from the start onwards (each
    // question laying out only as far as it looks) and after an edit near the start, then
    // every answer is the one a complete layout gives.
    void lineNumbersFromAPartialLayoutAreThoseOfTheWholeLayout()
    {
        QStringList paragraphs;
        for (int i = 0; i < 300; ++i)
            paragraphs << QStringLiteral("word ").repeated(5 + i % 40);
        setText(*m_edit, paragraphs.join(QLatin1Char('\r')));
        const int length = m_edit->textLength();
        QList<int> steps;
        for (int cp = 0; cp <= length; cp += length / 7)
            steps << cp;
        QList<int> partial;
        for (int cp : steps)
            partial << m_edit->lineFromChar(cp);
        const int total = m_edit->lineCount();
        QVERIFY(total > 300);
        QCOMPARE(m_edit->lineFromChar(length), total - 1);
        QList<int> whole;
        for (int cp : steps)
            whole << m_edit->lineFromChar(cp);
        QCOMPARE(partial, whole);
        m_edit->setSel(0, 0);
        m_edit->replaceSel(paragraphs.first() + QLatin1Char('\r'), true); // one more paragraph
        const int added = m_edit->lineFromChar(int(paragraphs.first().size()) + 1);
        QVERIFY(added > 0);
        QCOMPARE(m_edit->lineFromChar(m_edit->textLength()), total - 1 + added);
        QCOMPARE(m_edit->lineCount(), total + added);
    }

    void caretLineColumn()
    {
        setText(*m_edit, QStringLiteral("abc\rdefgh"));
        m_edit->setCaretLineColumn(1, 3);
        QCOMPARE(m_edit->SelectionStart(), 7);
        QCOMPARE(m_edit->CaretLineColumn(), QPoint(3, 1));
    }

    void lineBreakNormalisation_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("crlf") << QByteArray("a\r\nb") << QByteArray("a\r\nb");
        QTest::newRow("lf") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("cr") << QByteArray("a\rb\r") << QByteArray("a\r\nb\r\n");
        QTest::newRow("mixed") << QByteArray("\r\r\n\n\r") << QByteArray("\r\n\r\n\r\n\r\n");
        QTest::newRow("lfcr") << QByteArray("x\n\ry") << QByteArray("x\r\n\r\ny");
    }
    void lineBreakNormalisation()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        // Every split of the input into two chunks gives the same bytes.
        for (int split = 0; split <= input.size(); ++split) {
            LineBreakNormalizer n;
            QByteArray out(input.size() * 2 + 4, '\0');
            int len = n.convert(input.constData(), split, out.data());
            len += n.convert(input.constData() + split, int(input.size()) - split, out.data() + len);
            len += n.finish(out.data() + len);
            QCOMPARE(out.left(len), expected);
        }
    }

    void plainTextLoadsTheSameWhateverTheBufferSize()
    {
        const QByteArray file("first\rsecond\nthird\r\nfourth\r");
        for (int buffer : {4, 5, 6, 7, 9, 4096}) {
            m_edit->setStreamBufferSize(buffer);
            m_edit->Lines.StreamFormat = TRichStreamFormat::sfPlainText;
            QBuffer in;
            in.setData(file);
            in.open(QIODevice::ReadOnly);
            m_edit->Lines.LoadDocumentStream(in);
            QCOMPARE(m_edit->windowText(), QStringLiteral("first\r\nsecond\r\nthird\r\nfourth\r\n"));
        }
    }

    void loadRetriesAndFailsWithTheMessage()
    {
        FailingDevice bad;
        bad.open(QIODevice::ReadOnly);
        try {
            m_edit->Lines.LoadDocumentStream(bad);
            QFAIL("no error");
        } catch (const EScrivelleError &e) {
            QCOMPARE(e.message(), QStringLiteral("Failed to Load Stream"));
        }
        QBuffer full;
        full.open(QIODevice::ReadOnly); // not writable
        setText(*m_edit, QStringLiteral("text"));
        try {
            m_edit->Lines.SaveDocumentStream(full);
            QFAIL("no error");
        } catch (const EScrivelleError &e) {
            QCOMPARE(e.message(), QStringLiteral("Failed to Save Stream"));
        }
    }

    void fileOperationsPickFormatByExtensionAndReportFailures()
    {
        QTemporaryDir dir;
        const QString txt = dir.filePath(QStringLiteral("Notes.TXT"));
        QFile f(txt);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("caf\xE9\nline two");
        f.close();
        m_edit->Lines.LoadDocumentFile(txt);
        QCOMPARE(m_edit->windowText(), QStringLiteral("caf\u00E9\r\nline two"));
        QCOMPARE(m_edit->Lines.StreamFormat, TRichStreamFormat::sfDefault);

        const QString missing = dir.filePath(QStringLiteral("none.txt"));
        try {
            m_edit->Lines.LoadDocumentFile(missing);
            QFAIL("no error");
        } catch (const EScrivelleError &e) {
            QCOMPARE(e.message(), QStringLiteral("Cannot open file %1").arg(missing));
        }
        QVERIFY(!m_edit->Lines.hasConverter());
        // A folder that cannot exist: the path runs through a regular file.
        const QString blocked = txt + QStringLiteral("/out.txt");
        try {
            m_edit->Lines.SaveDocumentFile(blocked);
            QFAIL("no error");
        } catch (const EScrivelleError &e) {
            QCOMPARE(e.message(), QStringLiteral("Cannot create file %1").arg(blocked));
        }
        // Saving as text writes Windows-1252 with CR LF.
        const QString out = dir.filePath(QStringLiteral("out.txt"));
        m_edit->Lines.SaveDocumentFile(out);
        QFile back(out);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), QByteArray("caf\xE9\r\nline two"));
    }

    void plainTextSwitchDropsFormattingKeepsText()
    {
        setText(*m_edit, QStringLiteral("bold words"));
        m_edit->exSetSel(0, 4);
        m_edit->SelectionFormat.setStyle(fsBold);
        m_edit->setPlainText(true);
        QCOMPARE(m_edit->windowText(), QStringLiteral("bold words"));
        m_edit->exSetSel(0, 4);
        QCOMPARE(m_edit->SelectionFormat.Style(), 0);
        // In plain mode one format covers all text.
        m_edit->exSetSel(0, 2);
        m_edit->SelectionFormat.setStyle(fsItalic);
        m_edit->exSetSel(5, 10);
        QCOMPARE(m_edit->SelectionFormat.Style(), fsItalic);
        m_edit->setPlainText(false);
        QCOMPARE(m_edit->windowText(), QStringLiteral("bold words"));
    }

    void recreationKeepsDocumentAndModifiedFlagNotUndo()
    {
        setText(*m_edit, QStringLiteral("keep me"));
        m_edit->setModify(true);
        m_edit->exSetSel(3, 5);
        QVERIFY(m_edit->CanUndoStep());
        m_edit->setScrollBars(TScrollStyle::ssNone);
        QCOMPARE(m_edit->windowText(), QStringLiteral("keep me"));
        QVERIFY(m_edit->DocumentModified());
        QVERIFY(!m_edit->CanUndoStep());
        QCOMPARE(m_edit->SelectionStart(), 0);
        QCOMPARE(m_edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        m_edit->setModify(false);
        m_edit->setScrollBars(TScrollStyle::ssVertical);
        QVERIFY(!m_edit->DocumentModified());
    }

    void replaceSelectionLeavesTheTextSelected()
    {
        setText(*m_edit, QStringLiteral("ab"));
        m_edit->setSelectionStart(1);
        m_edit->ReplaceSelection(QStringLiteral("X"));
        QCOMPARE(m_edit->windowText(), QStringLiteral("aXb"));
        QCOMPARE(m_edit->SelectionStart(), 1);
        QCOMPARE(m_edit->SelectionLength(), 1);
        QVERIFY(m_edit->CanUndoStep());
    }

    void protectedTextRefusesEditsUnlessAllowed()
    {
        setText(*m_edit, QStringLiteral("free LOCKED free"));
        m_edit->exSetSel(5, 11);
        CHARFORMAT2 cf;
        cf.dwMask = CFM_PROTECTED;
        cf.dwEffects = CFE_PROTECTED;
        m_edit->setCharFormat(SCF_SELECTION, cf);
        m_edit->setSelectionStart(7);
        QTest::keyClick(m_edit.get(), Qt::Key_Z);
        QTest::keyClick(m_edit.get(), Qt::Key_Backspace);
        QCOMPARE(m_edit->windowText(), QStringLiteral("free LOCKED free"));
        m_edit->exSetSel(3, 6);
        m_edit->DeleteSelection();
        QCOMPARE(m_edit->windowText(), QStringLiteral("free LOCKED free"));
        // Unprotected text still edits.
        m_edit->setSelectionStart(16);
        QTest::keyClick(m_edit.get(), Qt::Key_S);
        QCOMPARE(m_edit->windowText(), QStringLiteral("free LOCKED frees"));
        // A handler that allows the change lets it through.
        int calls = 0;
        m_edit->OnProtectChange = [&calls](int, int, bool &allow) {
            ++calls;
            allow = true;
        };
        m_edit->setSelectionStart(7);
        QTest::keyClick(m_edit.get(), Qt::Key_Z);
        QCOMPARE(calls, 1);
        QCOMPARE(m_edit->windowText(), QStringLiteral("free LOzCKED frees"));
    }

    void hiddenTextIsKeptButNotShown()
    {
        QBuffer in;
        in.setData("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 AB{\\v\\cf0 WWWWWWWWWWWW}CD\\par}");
        in.open(QIODevice::ReadOnly);
        m_edit->Lines.StreamFormat = TRichStreamFormat::sfRichText;
        m_edit->Lines.LoadDocumentStream(in);
        QVERIFY(m_edit->windowText().startsWith(QStringLiteral("ABWWWWWWWWWWWWCD")));
        // The hidden run reads with its real size and the hidden effect.
        m_edit->exSetSel(4, 6);
        const CHARFORMAT2 cf = m_edit->SelectionFormat.get();
        QVERIFY(cf.dwEffects & CFE_HIDDEN);
        QCOMPARE(cf.yHeight, 240);
        // It takes (next to) no room: "CD" starts where it would without it.
        QTextDocument plain;
        QTextCursor pc(&plain);
        QTextCharFormat arial;
        arial.setFontFamilies({QStringLiteral("Arial")});
        arial.setFontPointSize(12);
        pc.insertText(QStringLiteral("ABCD"), arial);
        plain.setTextWidth(2000);
        m_edit->document()->setTextWidth(2000);
        plain.documentLayout()->blockBoundingRect(plain.firstBlock());
        m_edit->document()->documentLayout()->blockBoundingRect(m_edit->document()->firstBlock());
        const QTextLine shown = m_edit->document()->firstBlock().layout()->lineAt(0);
        const QTextLine bare = plain.firstBlock().layout()->lineAt(0);
        QVERIFY(qAbs(shown.naturalTextWidth() - bare.naturalTextWidth()) < 14);
        // Written back, it is hidden text of its real size again.
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        m_edit->Lines.SaveDocumentStream(out);
        QVERIFY(out.data().contains("\\v"));
        QVERIFY(out.data().contains("WWWWWWWWWWWW"));
        QVERIFY(!out.data().contains("\\fs2 "));
        m_edit->Lines.StreamFormat = TRichStreamFormat::sfDefault;
    }

    void clickInTheSelectionBarSelectsTheLine()
    {
        setText(*m_edit, QStringLiteral("one\rtwo\rthree"));
        const QRect vp = m_edit->viewport()->geometry();
        const QRect second = m_edit->cursorRect(QTextCursor(m_edit->document()->findBlockByNumber(1)));
        QWidget *bar = m_edit->childAt(QPoint(vp.left() - 4, vp.top() + second.center().y()));
        QVERIFY(bar && bar != m_edit->viewport());
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(4, second.center().y()));
        QCOMPARE(m_edit->SelectionStart(), 4);
        QCOMPARE(m_edit->SelectionLength(), 4); // "two" and its paragraph break
        m_edit->setSelectionBar(false);
        QVERIFY(!m_edit->childAt(QPoint(vp.left() - 4, vp.top() + 2))
                || m_edit->childAt(QPoint(vp.left() - 4, vp.top() + 2)) == m_edit->viewport());
    }

    void controlKeys()
    {
        setText(*m_edit, QStringLiteral("para"));
        QTest::keyClick(m_edit.get(), Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(m_edit->ParagraphFormat.SpacingRule(), 2);
        QTest::keyClick(m_edit.get(), Qt::Key_5, Qt::ControlModifier);
        QCOMPARE(m_edit->ParagraphFormat.SpacingRule(), 1);
        QTest::keyClick(m_edit.get(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(m_edit->ParagraphFormat.SpacingRule(), 0);
        QTest::keyClick(m_edit.get(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_edit->getParaFormat().wNumbering, PFN_BULLET);
        QTest::keyClick(m_edit.get(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_edit->getParaFormat().wNumbering, PFN_ARABIC);
        m_edit->setWantTabs(true);
        m_edit->setSelectionStart(0);
        QTest::keyClick(m_edit.get(), Qt::Key_Tab);
        QCOMPARE(m_edit->windowText(), QStringLiteral("\tpara"));
    }

private:
    std::unique_ptr<TRxRichEdit> m_edit;
};

QTEST_MAIN(TestRxRichEdit)
#include "tst_rxrichedit.moc"
