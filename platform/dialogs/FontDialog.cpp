#include "dialogs/FontDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace dialogs {

namespace {

QColor toQColor(std::uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

std::uint32_t fromQColor(const QColor &c)
{
    return std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8)
        | (std::uint32_t(c.blue()) << 16);
}

QIcon swatch(std::uint32_t colour)
{
    QPixmap pm(16, 12);
    pm.fill(toQColor(colour));
    return QIcon(pm);
}

const char *const kStyles[] = {"Regular", "Italic", "Bold", "Bold Italic"};
const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
constexpr int kOtherColour = -1; // the "Other..." entry of the colour list

} // namespace

const QList<FontDialog::Script> &FontDialog::scripts()
{
    static const QList<Script> list = {
        {0, "Western"},        {1, "Default"},       {2, "Symbol"},
        {128, "Japanese"},     {129, "Hangul"},      {134, "Chinese Simplified"},
        {136, "Chinese Traditional"}, {161, "Greek"}, {162, "Turkish"},
        {163, "Vietnamese"},   {177, "Hebrew"},      {178, "Arabic"},
        {186, "Baltic"},       {204, "Cyrillic"},    {222, "Thai"},
        {238, "Central European"}, {255, "OEM/DOS"},
    };
    return list;
}

const QList<FontDialog::NamedColour> &FontDialog::colours()
{
    static const QList<NamedColour> list = {
        {0x000000, "Black"},  {0x000080, "Maroon"}, {0x008000, "Green"},   {0x008080, "Olive"},
        {0x800000, "Navy"},   {0x800080, "Purple"}, {0x808000, "Teal"},    {0x808080, "Gray"},
        {0xC0C0C0, "Silver"}, {0x0000FF, "Red"},    {0x00FF00, "Lime"},    {0x00FFFF, "Yellow"},
        {0xFF0000, "Blue"},   {0xFF00FF, "Fuchsia"}, {0xFFFF00, "Aqua"},   {0xFFFFFF, "White"},
    };
    return list;
}

FontDialog::FontDialog(const FontChoice &font, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Font"));

    m_face = new QComboBox(this);
    m_face->setObjectName(QStringLiteral("face"));
    m_face->setEditable(true);
    m_face->setInsertPolicy(QComboBox::NoInsert);
    QStringList families = QFontDatabase::families();
    if (!font.face.isEmpty() && !families.contains(font.face))
        families.append(font.face); // a face that is not installed keeps its name
    families.sort(Qt::CaseInsensitive);
    m_face->addItems(families);
    m_face->setCurrentText(font.face);

    m_style = new QComboBox(this);
    m_style->setObjectName(QStringLiteral("style"));
    for (const char *s : kStyles)
        m_style->addItem(QString::fromLatin1(s));
    m_style->setCurrentIndex((font.has(FontChoice::Bold) ? 2 : 0) + (font.has(FontChoice::Italic) ? 1 : 0));

    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("size"));
    m_size->setEditable(true);
    m_size->setInsertPolicy(QComboBox::NoInsert);
    m_size->setValidator(new QIntValidator(1, 1638, m_size));
    for (int s : kSizes)
        m_size->addItem(QString::number(s));
    m_size->setCurrentText(QString::number(font.size));

    m_underline = new QCheckBox(QStringLiteral("&Underline"), this);
    m_underline->setObjectName(QStringLiteral("underline"));
    m_underline->setChecked(font.has(FontChoice::Underline));
    m_strikeOut = new QCheckBox(QStringLiteral("Stri&keout"), this);
    m_strikeOut->setObjectName(QStringLiteral("strikeout"));
    m_strikeOut->setChecked(font.has(FontChoice::StrikeOut));

    m_colour = new QComboBox(this);
    m_colour->setObjectName(QStringLiteral("colour"));
    for (const NamedColour &c : colours())
        m_colour->addItem(swatch(c.colour), QString::fromLatin1(c.name), QVariant::fromValue(int(c.colour)));
    m_colour->addItem(QStringLiteral("Other..."), QVariant::fromValue(kOtherColour));
    selectColour(font.color);

    m_script = new QComboBox(this);
    m_script->setObjectName(QStringLiteral("script"));
    for (const Script &s : scripts())
        m_script->addItem(QString::fromLatin1(s.name), s.charset);
    int scriptIndex = m_script->findData(font.charset);
    if (scriptIndex < 0) {
        m_script->addItem(QStringLiteral("Script %1").arg(font.charset), font.charset);
        scriptIndex = m_script->count() - 1;
    }
    m_script->setCurrentIndex(scriptIndex);

    m_sample = new QLabel(QStringLiteral("AaBbYyZz"), this);
    m_sample->setObjectName(QStringLiteral("sample"));
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumSize(220, 60);
    m_sample->setFrameShape(QFrame::StyledPanel);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Font:"), m_face);
    form->addRow(QStringLiteral("Font st&yle:"), m_style);
    form->addRow(QStringLiteral("&Size:"), m_size);
    auto *effects = new QGroupBox(QStringLiteral("Effects"), this);
    auto *effectsLayout = new QFormLayout(effects);
    auto *checks = new QHBoxLayout;
    checks->addWidget(m_strikeOut);
    checks->addWidget(m_underline);
    effectsLayout->addRow(checks);
    effectsLayout->addRow(QStringLiteral("&Color:"), m_colour);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(effects);
    auto *sampleBox = new QGroupBox(QStringLiteral("Sample"), this);
    (new QVBoxLayout(sampleBox))->addWidget(m_sample);
    layout->addWidget(sampleBox);
    auto *scriptForm = new QFormLayout;
    scriptForm->addRow(QStringLiteral("Sc&ript:"), m_script);
    layout->addLayout(scriptForm);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_colour, &QComboBox::activated, this, [this](int index) {
        if (m_colour->itemData(index).toInt() == kOtherColour)
            chooseOtherColour();
        else
            m_lastColourIndex = index;
        updateSample();
    });
    for (QComboBox *box : {m_face, m_style, m_size, m_script})
        connect(box, &QComboBox::currentTextChanged, this, &FontDialog::updateSample);
    for (QCheckBox *box : {m_underline, m_strikeOut})
        connect(box, &QCheckBox::toggled, this, &FontDialog::updateSample);
    updateSample();
}

void FontDialog::selectColour(std::uint32_t colour)
{
    colour &= 0x00FFFFFF;
    int index = m_colour->findData(QVariant::fromValue(int(colour)));
    if (index < 0) {
        // A colour that has no name shows as "Custom", just above "Other...".
        index = m_colour->count() - 1;
        m_colour->insertItem(index, swatch(colour), QStringLiteral("Custom"), QVariant::fromValue(int(colour)));
    }
    m_colour->setCurrentIndex(index);
    m_lastColourIndex = index;
}

void FontDialog::chooseOtherColour()
{
    const std::uint32_t current = std::uint32_t(m_colour->itemData(m_lastColourIndex).toInt());
    const QColor chosen = QColorDialog::getColor(toQColor(current), this);
    if (chosen.isValid())
        selectColour(fromQColor(chosen));
    else
        m_colour->setCurrentIndex(m_lastColourIndex);
}

FontChoice FontDialog::font() const
{
    FontChoice f;
    f.face = m_face->currentText().trimmed();
    bool ok = false;
    const int size = m_size->currentText().toInt(&ok);
    f.size = ok && size > 0 ? size : 12;
    const int style = m_style->currentIndex();
    f.set(FontChoice::Bold, style >= 2);
    f.set(FontChoice::Italic, style == 1 || style == 3);
    f.set(FontChoice::Underline, m_underline->isChecked());
    f.set(FontChoice::StrikeOut, m_strikeOut->isChecked());
    f.color = std::uint32_t(m_colour->itemData(m_lastColourIndex).toInt()) & 0x00FFFFFF;
    f.charset = m_script->currentData().toInt();
    return f;
}

void FontDialog::updateSample()
{
    const FontChoice f = font();
    QFont q(f.face);
    q.setPointSize(qBound(1, f.size, 72)); // the sample stays readable for huge sizes
    q.setBold(f.has(FontChoice::Bold));
    q.setItalic(f.has(FontChoice::Italic));
    q.setUnderline(f.has(FontChoice::Underline));
    q.setStrikeOut(f.has(FontChoice::StrikeOut));
    m_sample->setFont(q);
    QPalette p = m_sample->palette();
    p.setColor(QPalette::WindowText, toQColor(f.color));
    m_sample->setPalette(p);
}

} // namespace dialogs
