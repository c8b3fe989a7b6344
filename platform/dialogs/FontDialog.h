#pragma once
// The font dialog of the dialogs layer: face, style, size, underline and strikeout, colour and
// script, with a sample. It opens with exactly the font it is given (a face that is not
// installed is kept by name), so OK without changes gives that font back unchanged.
//
// Its fields carry object names for tests and accessibility: "face", "style", "size",
// "underline", "strikeout", "colour", "script", "sample", and the dialog's buttons.

#include "dialogs/FontChoice.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;

namespace dialogs {

class FontDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontDialog(const FontChoice &font, QWidget *parent = nullptr);

    // The font as the fields show it now.
    FontChoice font() const;

    // The character sets offered under "Script", by their Windows numbers.
    struct Script {
        int charset;
        const char *name;
    };
    static const QList<Script> &scripts();
    // The sixteen colours offered by name (0x00BBGGRR).
    struct NamedColour {
        std::uint32_t colour;
        const char *name;
    };
    static const QList<NamedColour> &colours();

private:
    void selectColour(std::uint32_t colour);
    void chooseOtherColour();
    void updateSample();

    QComboBox *m_face = nullptr;
    QComboBox *m_style = nullptr;
    QComboBox *m_size = nullptr;
    QCheckBox *m_underline = nullptr;
    QCheckBox *m_strikeOut = nullptr;
    QComboBox *m_colour = nullptr;
    QComboBox *m_script = nullptr;
    QLabel *m_sample = nullptr;
    int m_lastColourIndex = 0;
};

} // namespace dialogs
