#include "preview/GmPropertyComboBox.h"

#include "preview/GmGlyphs.h"
#include "preview/GmPreview.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

constexpr int itemHeight = 20;

// Items drawn as the list wants them: the filled item rectangle, the 16-pixel picture at x 6
// and the text from x 24, both centred vertically.
class ItemDelegate : public QStyledItemDelegate
{
public:
    ItemDelegate(TGmPropertyComboBox *box) : QStyledItemDelegate(box), m_box(box) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width() + 24, itemHeight);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &pal = option.palette;
        painter->fillRect(r, selected ? pal.highlight() : pal.base());
        const QString text = index.data(Qt::DisplayRole).toString();
        const QPixmap picture =
            gmGlyph(TGmPropertyComboBox::pictureName(m_box->PreviewProperty(), text));
        painter->drawPixmap(r.left() + 6, r.top() + (r.height() - 16) / 2, picture);
        painter->setPen(selected ? pal.highlightedText().color() : pal.text().color());
        painter->drawText(QRect(r.left() + 24, r.top(), r.width() - 24, r.height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }

private:
    TGmPropertyComboBox *m_box;
};

} // namespace

TGmPropertyComboBox::TGmPropertyComboBox(QWidget *parent) : QComboBox(parent)
{
    setItemDelegate(new ItemDelegate(this));
    setIconSize(QSize(16, 16));
    setMinimumHeight(itemHeight + 4);
    connect(this, &QComboBox::activated, this, &TGmPropertyComboBox::Choose);
}

TGmPropertyComboBox::~TGmPropertyComboBox()
{
    if (m_preview)
        m_preview->UnregisterLinkedControl(this);
}

QString TGmPropertyComboBox::pictureName(TGmComboPropertyType property, const QString &item)
{
    if (property == gmPrinterList)
        return QStringLiteral("Printer");
    static const QStringList envelopes = {
        QStringLiteral("B5"), QStringLiteral("C5"), QStringLiteral("C6"), QStringLiteral("C65"),
        QStringLiteral("B4"), QStringLiteral("Envelope_DL"), QStringLiteral("Envelope_DL_Maxi"),
        QStringLiteral("Envelope_09"), QStringLiteral("Envelope_10"),
        QStringLiteral("Envelope_11"), QStringLiteral("Envelope_12"),
        QStringLiteral("Envelope_14")};
    return envelopes.contains(item) ? QStringLiteral("Envelope") : QStringLiteral("Paper");
}

void TGmPropertyComboBox::SetPreview(TGmPreview *preview)
{
    if (m_preview == preview)
        return;
    if (m_preview)
        m_preview->UnregisterLinkedControl(this);
    m_preview = preview;
    if (m_preview)
        m_preview->RegisterLinkedControl(this);
    Fill();
}

void TGmPropertyComboBox::SetPreviewProperty(TGmComboPropertyType property)
{
    m_property = property;
    Fill();
}

void TGmPropertyComboBox::Fill()
{
    m_filling = true;
    clear();
    auto add = [this](const QString &name) {
        bool keep = true;
        if (OnAddItem)
            OnAddItem(this, name, keep);
        if (keep)
            addItem(QIcon(gmGlyph(pictureName(m_property, name))), name);
    };
    QString current;
    if (m_property == gmPaperList) {
        for (int i = 0; i < gmPaperSizeCount; ++i)
            add(gmPaperSizeName(TGmPaperSize(i)));
        if (m_preview)
            current = gmPaperSizeName(m_preview->PaperSize());
    } else if (m_preview) {
        for (const QString &name : m_preview->GmPrinter().Printers())
            add(name);
        current = m_preview->GmPrinter().PrinterName();
    }
    setCurrentIndex(findText(current));
    m_filling = false;
}

void TGmPropertyComboBox::Choose(int index)
{
    if (m_filling || index < 0 || index >= count())
        return;
    setCurrentIndex(index);
    const QString name = itemText(index);
    if (m_preview) {
        if (m_property == gmPaperList) {
            TGmPaperSize paper = TGmPaperSize::Custom;
            if (!gmPaperSizeFromName(name, paper))
                paper = TGmPaperSize::Custom;
            m_preview->SetPaperSize(paper);
        } else {
            const int printer = m_preview->GmPrinter().Printers().indexOf(name);
            if (printer >= 0)
                m_preview->GmPrinter().SelectPrinter(printer);
        }
    }
    if (OnChange)
        OnChange(this);
}

void TGmPropertyComboBox::focusInEvent(QFocusEvent *event)
{
    QComboBox::focusInEvent(event);
    if (OnEnter)
        OnEnter(this);
}

bool TGmPropertyComboBox::event(QEvent *event)
{
    if (event->type() == TGmPreviewNotifyEvent::eventType()) {
        const int code = static_cast<TGmPreviewNotifyEvent *>(event)->code();
        if (code == gmNotifyPaperSizeChanged || code == gmNotifyPrinterChanged)
            Fill();
        return true;
    }
    return QComboBox::event(event);
}
