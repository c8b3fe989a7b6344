#pragma once
// TForm1, the "Print Preview" window: the main window's document laid out as pages for the
// chosen printer and paper, with the page navigator, thumbnails, printer and paper lists,
// orientation picture, the margins and header/footer dialogs, and printing of all pages or
// the current one. It is created once and shown modally; each showing lays the document out
// again. The page dialogs themselves are in PageDialogs.

#include "preview/PageDialogs.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QFrame;
class TGmPageNavigator;
class TGmPreview;
class TGmPropertyComboBox;
class TGmPropertyGraphic;
class TGmRtfPreview;
class TGmThumbnails;
class TRxRichEdit;

// What the preview window takes from the main window.
struct TPreviewHost {
    // The control holding the document to lay out.
    std::function<TRxRichEdit *()> editor;
    // The document's full path, or "Untitled Document": the print job's title.
    std::function<QString()> documentFileName;
    // The four print margins in whole millimetres: left, top, right, bottom.
    std::function<void(int &left, int &top, int &right, int &bottom)> readMargins;
    std::function<void(int left, int top, int right, int bottom)> writeMargins;
    // Shows a message of the printing layer to the user.
    std::function<void(const QString &text)> showMessage;
};

class TForm1 : public QDialog
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    void setHost(TPreviewHost host) { m_host = std::move(host); }
    // The page dialogs the window opens (created once with the other windows).
    void setDialogs(TForm3 *margins, TForm4 *headerFooter);

    // Shows the window maximised and modally; returns when it closes.
    void execute();

    // ---- controls ----
    QFrame *Panel1 = nullptr;       // top bar
    QFrame *Panel2 = nullptr;       // left bar
    QFrame *Panel3 = nullptr;       // the white box of choices
    QPushButton *PrintCurrent = nullptr;  // "Print C&urrent Page"
    QPushButton *ToolButton8 = nullptr;   // "&Print All Pages"
    TGmPageNavigator *GmPageNavigator1 = nullptr;
    QLabel *Label1 = nullptr;             // the page status
    TGmPropertyComboBox *GmPropertyComboBox1 = nullptr; // printers
    TGmPropertyComboBox *GmPropertyComboBox2 = nullptr; // papers
    QPushButton *dxButton4 = nullptr;     // "Page Margins"
    QPushButton *dxButton5 = nullptr;     // "Header - Footer"
    QPushButton *dxButton3 = nullptr;     // "&Close"
    TGmPropertyGraphic *GmPropertyGraphic1 = nullptr; // orientation, linked
    TGmPropertyGraphic *GmPropertyGraphic2 = nullptr; // pages per sheet, not linked
    TGmThumbnails *GmThumbnails1 = nullptr;
    TGmPreview *GmPreview1 = nullptr;
    TGmRtfPreview *GmRtfPreview1 = nullptr;

    // ---- handlers ----
    void FormCreate();
    void FormActivate();
    void FormClose();
    void PrintCurrentClick();
    void ToolButton8Click();
    void dxButton3Click();
    void dxButton4Click();
    void dxButton5Click();
    void GmPreview1MouseDown(Qt::MouseButton button, const QPoint &pos);
    void GmPreview1MouseUp(Qt::MouseButton button);
    void GmPreview1NewPage();
    void GmPreview1PageChanged();
    void GmPreview1OrientationChanged();
    void GmPropertyComboBox2Change();
    void GmPropertyComboBox1Enter();
    void GmPropertyComboBox2Enter();

    // Lays the main window's document out again from page 1.
    void Relayout();
    // Lays the document out with the window's present choices (printer, paper, orientation,
    // margins, header and footer) without showing it; until the window was first shown its
    // margins are the main window's. GmPreview1 then holds the pages the window would show.
    void LayOutUnshown();
    static QString statusText(int page, int count);

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    void createControls();
    // The main window's margins into the preview (at the first showing).
    void importMargins();
    void configurePreview();
    // The print buttons' common steps: job title, colour, then the given print call.
    void printWith(const std::function<void()> &print);

    TPreviewHost m_host;
    TForm3 *m_marginsDialog = nullptr;
    TForm4 *m_headerDialog = nullptr;
    bool m_firstActivation = false;
    bool m_activationPending = false;
    int m_fittedZoom = -1; // the zoom fitting chose at activation, until the user zooms
};
