// The print preview window as a user meets it: opened from the main window by Ctrl+P and the
// toolbar button, its navigator, thumbnails, paper list and orientation picture, the page
// margins and header/footer dialogs answered as they open, the margins going back to the
// settings file, and printing through the CUPS "PDF" queue.
#include "app/Forms.h"
#include "app/Main.h"
#include "preview/GmPageNavigator.h"
#include "preview/GmPreview.h"
#include "preview/GmPropertyComboBox.h"
#include "preview/GmPropertyGraphic.h"
#include "preview/GmThumbnails.h"
#include "preview/PrintPreview.h"
#include "printing/Printing.h"
#include "support/ScriptedDialogs.h"
#include "support/TallRow.h"
#include "widgets/RxSpinEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

namespace {

// Runs `body` once `dialog` is the active modal window that `open` shows, then closes the
// dialog if the body left it open. False when the dialog never showed.
bool whileShown(QDialog *dialog, const std::function<void()> &open,
                const std::function<void()> &body)
{
    bool ran = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, dialog, [&] {
        if (ran || QApplication::activeModalWidget() != dialog || !dialog->isActiveWindow())
            return;
        ran = true;
        poll.stop();
        body();
        if (dialog->isVisible())
            dialog->reject();
    });
    poll.start(10);
    open();
    return ran;
}

int darkPixels(const QImage &image, const QRect &r)
{
    int n = 0;
    for (int y = qMax(0, r.top()); y <= qMin(image.height() - 1, r.bottom()); ++y)
        for (int x = qMax(0, r.left()); x <= qMin(image.width() - 1, r.right()); ++x)
            n += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
    return n;
}

QString lines(int count)
{
    QStringList l;
    for (int i = 1; i <= count; ++i)
        l << QStringLiteral("Line %1 of the preview test.").arg(i);
    return l.join(QLatin1Char('\r'));
}

// The PDF cups-pdf writes for a job whose title holds `token`, once complete.
QString waitForPdf(const QString &token)
{
    const QString env = qEnvironmentVariable("SCV_PDF_OUT");
    QDir dir(env.isEmpty() ? QStringLiteral("/var/spool/cups-pdf/scrivelle") : env);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        const QStringList files =
            dir.entryList({QLatin1Char('*') + token + QStringLiteral("*.pdf")}, QDir::Files);
        if (!files.isEmpty()) {
            const QString path = dir.filePath(files.first());
            const qint64 size = QFileInfo(path).size();
            QTest::qWait(300);
            if (size > 0 && QFileInfo(path).size() == size)
                return path;
        }
        QTest::qWait(200);
    }
    return QString();
}

int pdfPages(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {path});
    p.waitForFinished(60000);
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    return QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"),
                              QRegularExpression::MultilineOption)
        .match(out)
        .captured(1)
        .toInt();
}

} // namespace

class TestPrintPreview : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    QTemporaryDir m_dir;
    std::optional<ProgramWindows> m_windows;
    TfrmMainEditor *m_main = nullptr;
    TForm1 *m_preview = nullptr;

    QString iniPath() const { return m_dir.filePath(QStringLiteral("DeskTopDock.ini")); }
    // Opens the preview with Ctrl+P in the main window and runs `body` while it is open.
    bool withPreview(const std::function<void()> &body)
    {
        m_main->activateWindow();
        if (!QTest::qWaitForWindowActive(m_main))
            qWarning("main window not active");
        return whileShown(m_preview, [this] {
            QTest::keyClick(m_main->Editor, Qt::Key_P, Qt::ControlModifier);
        }, body);
    }
    QString status() const { return m_preview->Label1->text(); }
    TGmPreview *preview() const { return m_preview->GmPreview1; }

private slots:
    void init();
    void cleanup();
    void opensOnPageOneFittedWhole();
    void toolbarButtonOpensItToo();
    void navigatorAndThumbnailsMoveThePage();
    void letterAndLandscapeRelayOut();
    void marginsDialogReadout();
    void closingEitherDialogChangesNothing();
    void widerMarginsGiveMorePages();
    void marginsGoToTheSettingsFileAtExit();
    void headerOnEveryPage();
    void printsAllPagesAndTheCurrentPage();
    void printingWithoutPrinterSaysSo();
    void tallTableRowGoesOnOverPages();
};

void TestPrintPreview::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    QFile::remove(iniPath());
    m_windows.emplace(createProgramWindows());
    m_main = m_windows->main;
    m_preview = frmPrintPreview();
    m_main->setSettingsPath(iniPath());
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main));
    m_main->Editor->setWindowText(lines(140));
}

void TestPrintPreview::cleanup()
{
    m_windows.reset();
    m_dialogs.reset();
}

void TestPrintPreview::opensOnPageOneFittedWhole()
{
    QVERIFY(withPreview([this] {
        QVERIFY(m_preview->windowState() & Qt::WindowMaximized);
        QCOMPARE(m_preview->windowTitle(), QStringLiteral("Print Preview"));
        QCOMPARE(preview()->Count(), 3);
        QCOMPARE(status(), QStringLiteral("Page: 1 of  3"));
        QCOMPARE(preview()->CurrentPage(), 1);
        // Fitted whole: the page's height or width fills the control less gutters and 20
        const TGmPage *page = preview()->Pages(1);
        const double byHeight = (preview()->height() - 60) / (double(page->HeightInches()) * 96);
        const double byWidth = (preview()->width() - 60) / (double(page->WidthInches()) * 96);
        QCOMPARE(preview()->Zoom(), qBound(10, int(qMin(byHeight, byWidth) * 100), 800));
        // The linked controls show the same state
        QCOMPARE(m_preview->GmThumbnails1->Count(), 3);
        QCOMPARE(m_preview->GmThumbnails1->SelectedIndex(), 0);
        QCOMPARE(m_preview->GmPropertyComboBox2->currentText(), QStringLiteral("A4"));
        QVERIFY(!m_preview->GmPageNavigator1->Buttons(gmPrevPage)->isEnabled());
        QVERIFY(m_preview->GmPageNavigator1->Buttons(gmNextPage)->isEnabled());
        QVERIFY(!m_preview->GmPageNavigator1->Buttons(gmAddPage)->isVisible());
    }));
    QVERIFY(!m_preview->isVisible());
}

void TestPrintPreview::toolbarButtonOpensItToo()
{
    bool shown = whileShown(m_preview, [this] {
        QTest::mouseClick(m_main->btnPrintPreview, Qt::LeftButton);
    }, [this] {
        QCOMPARE(status(), QStringLiteral("Page: 1 of  3"));
        // "&Close" closes it
        QTest::mouseClick(m_preview->dxButton3, Qt::LeftButton);
    });
    QVERIFY(shown);
    QVERIFY(!m_preview->isVisible());
}

void TestPrintPreview::navigatorAndThumbnailsMoveThePage()
{
    QVERIFY(withPreview([this] {
        TGmPageNavigator *nav = m_preview->GmPageNavigator1;
        QTest::mouseClick(nav->Buttons(gmNextPage), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Page: 2 of  3"));
        QCOMPARE(preview()->PaperImage()->Page(), preview()->Pages(2));
        QTest::mouseClick(nav->Buttons(gmLastPage), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Page: 3 of  3"));
        QVERIFY(!nav->Buttons(gmNextPage)->isEnabled());
        QCOMPARE(m_preview->GmThumbnails1->SelectedIndex(), 2);
        QTest::mouseClick(m_preview->GmThumbnails1->Thumbnail(0), Qt::LeftButton, {},
                          QPoint(20, 20));
        QCOMPARE(status(), QStringLiteral("Page: 1 of  3"));
        QTest::mouseClick(nav->Buttons(gmZoomIn), Qt::LeftButton);
        QVERIFY(preview()->Zoom() > 30);
    }));
}

void TestPrintPreview::letterAndLandscapeRelayOut()
{
    QVERIFY(withPreview([this] {
        const int a4Pages = preview()->Count();
        // Letter from the paper list, chosen with the keyboard
        TGmPropertyComboBox *papers = m_preview->GmPropertyComboBox2;
        papers->setFocus();
        QTest::keyClick(papers, Qt::Key_L);    // "Legal"
        QTest::keyClick(papers, Qt::Key_Down); // "Letter"
        QCOMPARE(papers->currentText(), QStringLiteral("Letter"));
        QCOMPARE(double(preview()->Pages(1)->WidthInches()), 8.5);
        QVERIFY(preview()->Pages(1)->RtfInfo().RichEdit());
        const int letterPages = preview()->Count();
        QCOMPARE(status(), QStringLiteral("Page: 1 of  %1").arg(letterPages));
        QVERIFY(preview()->hasFocus());
        // Landscape from the orientation picture: fewer lines per page, more pages
        QTest::mouseClick(m_preview->GmPropertyGraphic1->Button(2), Qt::LeftButton);
        QCOMPARE(preview()->Orientation(), gmLandscape);
        QCOMPARE(double(preview()->Pages(1)->WidthInches()), 11.0);
        QVERIFY(preview()->Count() > letterPages);
        QCOMPARE(status(), QStringLiteral("Page: 1 of  %1").arg(preview()->Count()));
        QCOMPARE(m_preview->GmThumbnails1->Count(), preview()->Count());
        Q_UNUSED(a4Pages);
    }));
}

void TestPrintPreview::marginsDialogReadout()
{
    QVERIFY(withPreview([this] {
        TForm3 *d = qobject_cast<TForm3 *>(m_preview->findChild<TForm3 *>());
        QVERIFY(d);
        QVERIFY(whileShown(d, [this] {
            QTest::mouseClick(m_preview->dxButton4, Qt::LeftButton);
        }, [d] {
            // The dialog opens with the preview's margins in millimetres
            QCOMPARE(d->SpinEdit1->Value(), 25.0);
            QCOMPARE(d->SpinEdit2->Value(), 15.0);
            QCOMPARE(d->SpinEdit3->Value(), 25.0);
            QCOMPARE(d->SpinEdit4->Value(), 15.0);
            // Presetting the four values shows the last one's read-out (15 mm)
            QCOMPARE(d->Label6->text(), QStringLiteral("Value in Inches: 0.59"));
            auto type = [](TRxSpinEdit *s, const QString &text) {
                s->editor()->selectAll();
                QTest::keyClicks(s->editor(), text);
            };
            type(d->SpinEdit2, QStringLiteral("25"));
            QVERIFY(d->Label6->isVisible());
            QCOMPARE(d->Label6->text(), QStringLiteral("Value in Inches: 0.98"));
            type(d->SpinEdit1, QStringLiteral("0"));
            QCOMPARE(d->Label6->text(), QStringLiteral("Value in Inches: 0.0"));
            type(d->SpinEdit4, QStringLiteral("1000"));
            QCOMPARE(d->Label6->text(), QStringLiteral("Value in Inches: 39.37"));
            type(d->SpinEdit3, QStringLiteral("20"));
            QCOMPARE(d->Label6->text(), QStringLiteral("Value in Inches: 0.79"));
        }));
    }));
}

void TestPrintPreview::closingEitherDialogChangesNothing()
{
    QVERIFY(withPreview([this] {
        TForm3 *margins = m_preview->findChild<TForm3 *>();
        TForm4 *header = m_preview->findChild<TForm4 *>();
        QTest::mouseClick(m_preview->GmPageNavigator1->Buttons(gmNextPage), Qt::LeftButton);
        preview()->SetZoom(45);
        TRxRichEdit *copy = preview()->Pages(1)->RtfInfo().RichEdit();
        QVERIFY(whileShown(margins, [this] {
            QTest::mouseClick(m_preview->dxButton4, Qt::LeftButton);
        }, [margins] {
            margins->SpinEdit1->setValue(60);
            QTest::mouseClick(margins->btnClose, Qt::LeftButton);
        }));
        QVERIFY(whileShown(header, [this] {
            QTest::mouseClick(m_preview->dxButton5, Qt::LeftButton);
        }, [header] {
            QTest::keyClicks(header->Edit2, QStringLiteral("Draft"));
            QTest::mouseClick(header->btnClose, Qt::LeftButton);
        }));
        // Not laid out again: same copy, page, zoom, margins and header
        QCOMPARE(preview()->Pages(1)->RtfInfo().RichEdit(), copy);
        QCOMPARE(preview()->CurrentPage(), 2);
        QCOMPARE(preview()->Zoom(), 45);
        QCOMPARE(qRound(double(preview()->Margins().Left().millimeters())), 25);
        QCOMPARE(preview()->Header().CaptionCenter().Caption, QString());
        // The header dialog keeps what was typed for the next time
        QVERIFY(whileShown(header, [this] {
            QTest::mouseClick(m_preview->dxButton5, Qt::LeftButton);
        }, [header] { QCOMPARE(header->Edit2->text(), QStringLiteral("Draft")); }));
    }));
}

void TestPrintPreview::widerMarginsGiveMorePages()
{
    QVERIFY(withPreview([this] {
        const int before = preview()->Count();
        TForm3 *d = m_preview->findChild<TForm3 *>();
        QTest::mouseClick(m_preview->GmPageNavigator1->Buttons(gmLastPage), Qt::LeftButton);
        QVERIFY(whileShown(d, [this] {
            QTest::mouseClick(m_preview->dxButton4, Qt::LeftButton);
        }, [d] {
            for (TRxSpinEdit *s : {d->SpinEdit1, d->SpinEdit2, d->SpinEdit3, d->SpinEdit4}) {
                s->editor()->selectAll();
                QTest::keyClicks(s->editor(), QStringLiteral("40"));
            }
            QTest::mouseClick(d->btnApply, Qt::LeftButton);
        }));
        QVERIFY(preview()->Count() > before);
        QCOMPARE(preview()->CurrentPage(), 1);
        QCOMPARE(status(), QStringLiteral("Page: 1 of  %1").arg(preview()->Count()));
        QCOMPARE(double(preview()->Margins().Top().millimeters()), 40.0);
    }));
}

void TestPrintPreview::marginsGoToTheSettingsFileAtExit()
{
    QVERIFY(withPreview([this] {
        // No settings file: the main window's defaults, not the preview's half inch
        const TGmMargins &m = preview()->Margins();
        QCOMPARE(qRound(double(m.Left().millimeters() * 1000)), 25000);
        QCOMPARE(qRound(double(m.Top().millimeters() * 1000)), 15000);
        QCOMPARE(qRound(double(m.Right().millimeters() * 1000)), 25000);
        QCOMPARE(qRound(double(m.Bottom().millimeters() * 1000)), 15000);
        TForm3 *d = m_preview->findChild<TForm3 *>();
        QVERIFY(whileShown(d, [this] {
            QTest::mouseClick(m_preview->dxButton4, Qt::LeftButton);
        }, [d] {
            for (TRxSpinEdit *s : {d->SpinEdit1, d->SpinEdit2, d->SpinEdit3, d->SpinEdit4})
                s->setValue(20);
            QTest::mouseClick(d->btnApply, Qt::LeftButton);
        }));
        QTest::mouseClick(m_preview->dxButton3, Qt::LeftButton);
    }));
    QCOMPARE(m_main->LeftSize, 20);
    QCOMPARE(m_main->BottomSize, 20);
    m_main->FormDestroy();
    QFile f(iniPath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray ini = f.readAll();
    for (const char *key : {"TopSize=20", "LeftSize=20", "RightSize=20", "BottomSize=20"})
        QVERIFY2(ini.contains(key), ini.constData());

    // The next opening keeps the preview's own margins (imported once only)
    m_main->LeftSize = 30;
    QVERIFY(withPreview([this] {
        QCOMPARE(qRound(double(preview()->Margins().Left().millimeters())), 20);
    }));
}

void TestPrintPreview::headerOnEveryPage()
{
    QVERIFY(withPreview([this] {
        TForm4 *d = m_preview->findChild<TForm4 *>();
        auto headerBand = [this] {
            const QImage image = preview()->PaperImage()->grab().toImage();
            const QRect page = preview()->PaperImage()->pageRect();
            const double scale = preview()->Zoom() / 100.0 * 96;
            const QRectF text = preview()->PageShown()->RtfInfo().TextRect().inchesRect();
            return darkPixels(image, QRect(page.left() + int(text.left() * scale),
                                           page.top() + 3, int(text.width() * scale),
                                           int(text.top() * scale) - 5));
        };
        QCOMPARE(headerBand(), 0);
        QVERIFY(whileShown(d, [this] {
            QTest::mouseClick(m_preview->dxButton5, Qt::LeftButton);
        }, [d] {
            QTest::keyClicks(d->Edit2, QStringLiteral("{PAGE} of {NUMPAGES}"));
            QTest::mouseClick(d->CheckBox1, Qt::LeftButton, {},
                              QPoint(8, d->CheckBox1->height() / 2));
            QTest::mouseClick(d->btnApply, Qt::LeftButton);
        }));
        QCOMPARE(preview()->Header().CaptionCenter().Caption,
                 QStringLiteral("{PAGE} of {NUMPAGES}"));
        QVERIFY(preview()->Header().ShowLine());
        for (int page = 1; page <= preview()->Count(); ++page) {
            QVERIFY2(headerBand() > 20, qPrintable(QString::number(page)));
            QTest::mouseClick(m_preview->GmPageNavigator1->Buttons(gmNextPage),
                              Qt::LeftButton);
        }
    }));
}

void TestPrintPreview::printsAllPagesAndTheCurrentPage()
{
    if (!printing::printerNames().contains(QStringLiteral("PDF")))
        QSKIP("no CUPS \"PDF\" queue (scripts/printer.sh sets one up)");
    const QString token = QStringLiteral("scvwin%1").arg(QCoreApplication::applicationPid());
    QVERIFY(withPreview([this, token] {
        TGmPropertyComboBox *printers = m_preview->GmPropertyComboBox1;
        printers->setFocus();
        QTest::keyClicks(printers, QStringLiteral("PDF"));
        QCOMPARE(printers->currentText(), QStringLiteral("PDF"));
        QCOMPARE(preview()->GmPrinter().PrinterName(), QStringLiteral("PDF"));

        m_main->DocumentFileName = m_dir.filePath(token + QStringLiteral("all.rtf"));
        QTest::mouseClick(m_preview->ToolButton8, Qt::LeftButton);
        QCOMPARE(preview()->GmPrinter().Title, m_main->DocumentFileName);

        m_main->DocumentFileName = m_dir.filePath(token + QStringLiteral("one.rtf"));
        QTest::mouseClick(m_preview->GmPageNavigator1->Buttons(gmNextPage), Qt::LeftButton);
        QTest::mouseClick(m_preview->PrintCurrent, Qt::LeftButton);
    }));
    const QString all = waitForPdf(token + QStringLiteral("all"));
    QVERIFY2(!all.isEmpty(), "cups-pdf wrote no file for all pages");
    QCOMPARE(pdfPages(all), 3);
    const QString one = waitForPdf(token + QStringLiteral("one"));
    QVERIFY2(!one.isEmpty(), "cups-pdf wrote no file for the current page");
    QCOMPARE(pdfPages(one), 1);
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestPrintPreview::printingWithoutPrinterSaysSo()
{
    QVERIFY(withPreview([this] {
        preview()->GmPrinter().SelectPrinter(QStringLiteral("Scrivelle-No-Such-Printer"));
        QTest::mouseClick(m_preview->ToolButton8, Qt::LeftButton);
        QTest::mouseClick(m_preview->PrintCurrent, Qt::LeftButton);
    }));
    const auto shown = m_dialogs->shownOf(ScriptedDialogs::Kind::Information);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).text, QStringLiteral("Unable to print... No Printer available."));
    QCOMPARE(shown.at(1).text, QStringLiteral("Unable to print... No Printer available."));
}

// A document opened with the toolbar's Open button whose table row is about three pages
// tall: the preview has the pages the page job counts, and each page of the row shows the
// row's text from its top on.
void TestPrintPreview::tallTableRowGoesOnOverPages()
{
    QStringList first;
    QStringList second;
    const QString path = m_dir.filePath(QStringLiteral("tall-row.rtf"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray rtf = tallrow::document(first, second);
        QCOMPARE(f.write(rtf), rtf.size());
    }
    m_main->Editor->setDocumentModified(false);
    m_dialogs->answerFile(path);
    QTest::mouseClick(m_main->btnOpenDoc, Qt::LeftButton);
    QVERIFY(m_dialogs->allAnswered());
    QVERIFY(m_main->Editor->textRange(0, 7) == QLatin1String("Before."));

    QProcess job;
    job.start(QStringLiteral(SCV_BINARY), {QStringLiteral("--pages"), path});
    QVERIFY(job.waitForFinished(60000));
    const int pages = QRegularExpression(QStringLiteral("^Pages: (\\d+)"))
                          .match(QString::fromLatin1(job.readAllStandardOutput()))
                          .captured(1)
                          .toInt();
    QVERIFY2(pages >= 4, qPrintable(QString::number(pages)));

    QVERIFY(withPreview([this, pages] {
        QCOMPARE(preview()->Count(), pages);
        QCOMPARE(status(), QStringLiteral("Page: 1 of  %1").arg(pages));
        // Pages 2 and 3 are all row: text in the band at the top of the text rectangle.
        for (int page = 2; page <= 3; ++page) {
            QTest::mouseClick(m_preview->GmPageNavigator1->Buttons(gmNextPage), Qt::LeftButton);
            QCOMPARE(preview()->CurrentPage(), page);
            const QImage image = preview()->PaperImage()->grab().toImage();
            const QRect paper = preview()->PaperImage()->pageRect();
            const double scale = preview()->Zoom() / 100.0 * 96;
            const QRectF text = preview()->PageShown()->RtfInfo().TextRect().inchesRect();
            const QRect top(paper.left() + int(text.left() * scale) + 3,
                            paper.top() + int(text.top() * scale),
                            int(text.width() * scale / 4), int(0.5 * scale));
            QVERIFY2(darkPixels(image, top) > 5, qPrintable(QString::number(page)));
        }
    }));
}

QTEST_MAIN(TestPrintPreview)
#include "tst_printpreview.moc"
