#pragma once
// TGmPropertyComboBox: an owner-drawn list of the preview's papers or of the system's
// printers, each item with a small picture. Choosing an item sets the preview's paper size or
// selects the printer; the list is filled again when the preview reports a new paper size or
// printer.

#include <QComboBox>
#include <QPointer>
#include <functional>

class TGmPreview;

enum TGmComboPropertyType { gmPaperList, gmPrinterList };

class TGmPropertyComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TGmPropertyComboBox(QWidget *parent = nullptr);
    ~TGmPropertyComboBox() override;

    TGmPreview *Preview() const { return m_preview; }
    void SetPreview(TGmPreview *preview);
    TGmComboPropertyType PreviewProperty() const { return m_property; }
    void SetPreviewProperty(TGmComboPropertyType property);

    // Asked for every item while the list is filled; clearing AddItem drops it.
    std::function<void(QObject *sender, const QString &item, bool &addItem)> OnAddItem;
    // After a chosen item has been applied to the preview.
    std::function<void(QObject *sender)> OnChange;
    // When the box gets the focus.
    std::function<void(QObject *sender)> OnEnter;

    // Clears and fills the list, then selects the preview's paper or the current printer.
    void Fill();
    // Applies an item as a user's choice does.
    void Choose(int index);

    // The picture drawn before an item's text ("Printer", "Envelope" or "Paper").
    static QString pictureName(TGmComboPropertyType property, const QString &item);

protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    QPointer<TGmPreview> m_preview;
    TGmComboPropertyType m_property = gmPrinterList;
    bool m_filling = false;
};
