#include "Dialogs.h"
#include "FontDialog.h"
#include "dialogs/ObjectProperties.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QScreen>
#include <QMessageBox>

#include <memory>

namespace dialogs {

QList<FileFilter> parseFilter(const QString &filter)
{
    QList<FileFilter> out;
    if (filter.isEmpty())
        return out;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        FileFilter entry;
        entry.description = parts[i];
        for (const QString &pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                entry.patterns.append(trimmed);
        }
        out.append(entry);
    }
    return out;
}

QStringList qtNameFilters(const QList<FileFilter> &filters)
{
    QStringList out;
    for (const FileFilter &f : filters) {
        // Qt reads the patterns from the last bracketed part of the text; a description that
        // already ends with exactly these patterns is shown as it is.
        const QString own = u'(' + f.patterns.join(u' ') + u')';
        const QString ownWithSemicolons = u'(' + f.patterns.join(u';') + u')';
        if (f.description.endsWith(own))
            out.append(f.description);
        else if (f.description.endsWith(ownWithSemicolons))
            out.append(f.description.chopped(ownWithSemicolons.size()) + own);
        else
            out.append(f.description + u' ' + own);
    }
    return out;
}

QString extensionFor(const QList<FileFilter> &filters, int filterIndex,
                     const QString &defaultExtension)
{
    if (filterIndex >= 1 && filterIndex <= filters.size()) {
        const QStringList &patterns = filters[filterIndex - 1].patterns;
        if (!patterns.isEmpty()) {
            const QString first = patterns.first();
            if (first.startsWith(QStringLiteral("*.")) && first.size() > 2) {
                const QString ext = first.mid(2);
                if (!ext.contains(u'*') && !ext.contains(u'?') && !ext.contains(u'.'))
                    return ext;
            }
        }
    }
    return defaultExtension;
}

QString withDefaultExtension(const QString &fileName, const QString &extension)
{
    if (extension.isEmpty() || fileName.isEmpty())
        return fileName;
    const qsizetype slash = fileName.lastIndexOf(u'/');
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot > slash)
        return fileName; // the name already has an extension (or ends with a full stop)
    return fileName + u'.' + extension;
}

QString Dialogs::inputBox(const QString &title, const QString &prompt, const QString &defaultText)
{
    QString value = defaultText;
    return inputQuery(title, prompt, value) ? value : defaultText;
}

namespace {

Dialogs *g_current = nullptr;

// The window a dialog opens over: the modal window that is running (a frameless one may not
// be the active window), else the active window.
QWidget *parentWindow()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

// Text laid out in columns with blanks reads well only unwrapped: the box is made wide enough
// for its longest line, as far as the screen allows.
void fitToText(QMessageBox &box, const QString &text)
{
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        widest = qMax(widest, metrics.horizontalAdvance(line));
    }
    const QScreen *screen = box.screen();
    const int room = screen ? screen->availableGeometry().width() - 120 : widest;
    label->setMinimumWidth(qMin(widest + 2, room));
}

void messageBox(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parentWindow());
    box.setTextFormat(Qt::PlainText); // file names may hold "<" and "&"
    fitToText(box, text);
    box.exec();
}

} // namespace

Dialogs &current()
{
    if (!g_current) {
        static QtDialogs fallback;
        return fallback;
    }
    return *g_current;
}

Dialogs *setCurrent(Dialogs *dialogs)
{
    Dialogs *previous = g_current;
    g_current = dialogs;
    return previous;
}

void QtDialogs::information(const QString &title, const QString &text)
{
    messageBox(QMessageBox::Information, title, text);
}

void QtDialogs::error(const QString &title, const QString &text)
{
    messageBox(QMessageBox::Critical, title, text);
}

Answer QtDialogs::confirm(const QString &title, const QString &text, Buttons buttons)
{
    QMessageBox::StandardButtons set = QMessageBox::Yes | QMessageBox::No;
    if (buttons == Buttons::YesNoCancel)
        set |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, title, text, set, parentWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(buttons == Buttons::YesNoCancel ? QMessageBox::Cancel : QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
    }
}

bool QtDialogs::openFile(FileDialogOptions &options)
{
    return runFileDialog(options, false);
}

bool QtDialogs::saveFile(FileDialogOptions &options)
{
    return runFileDialog(options, true);
}

bool QtDialogs::runFileDialog(FileDialogOptions &options, bool save)
{
    const QList<FileFilter> filters = parseFilter(options.filter);
    const QStringList nameFilters = qtNameFilters(filters);

    QFileDialog dialog(parentWindow(), options.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !options.fileMustExist ? QFileDialog::AnyFile
                                                      : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.overwritePrompt);
    if (!nameFilters.isEmpty())
        dialog.setNameFilters(nameFilters);
    const int index = qBound(1, options.filterIndex, qMax(1, int(nameFilters.size())));
    if (!nameFilters.isEmpty())
        dialog.selectNameFilter(nameFilters[index - 1]);
    dialog.setDefaultSuffix(extensionFor(filters, index, options.defaultExtension));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &f) {
        const int chosen = int(nameFilters.indexOf(f)) + 1;
        dialog.setDefaultSuffix(extensionFor(filters, chosen, options.defaultExtension));
    });

    const QFileInfo initial(options.fileName);
    if (options.fileName.contains(u'/'))
        dialog.setDirectory(initial.absolutePath());
    else if (!options.initialFolder.isEmpty())
        dialog.setDirectory(options.initialFolder);
    if (!options.fileName.isEmpty())
        dialog.selectFile(initial.fileName());

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const int chosen = int(nameFilters.indexOf(dialog.selectedNameFilter())) + 1;
    options.filterIndex = chosen > 0 ? chosen : index;
    options.fileName = withDefaultExtension(
        dialog.selectedFiles().first(),
        extensionFor(filters, options.filterIndex, options.defaultExtension));
    return true;
}

bool QtDialogs::chooseFont(FontChoice &font)
{
    FontDialog dialog(font, parentWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font = dialog.font();
    return true;
}

bool QtDialogs::chooseColour(std::uint32_t &colour, bool fullOpen)
{
    Q_UNUSED(fullOpen); // Qt's colour dialog always shows its custom-colour part
    const QColor initial(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(initial, parentWindow());
    if (!chosen.isValid())
        return false;
    colour = std::uint32_t(chosen.red()) | (std::uint32_t(chosen.green()) << 8)
        | (std::uint32_t(chosen.blue()) << 16);
    return true;
}

bool QtDialogs::inputQuery(const QString &title, const QString &prompt, QString &value)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(parentWindow(), title, prompt, QLineEdit::Normal, value, &ok);
    if (ok)
        value = text;
    return ok;
}

bool Dialogs::objectProperties(ObjectProperties &, QWidget *)
{
    return false;
}

bool QtDialogs::objectProperties(ObjectProperties &properties, QWidget *owner)
{
    ObjectPropertiesDialog dialog(properties, owner ? owner : parentWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    properties.scale = dialog.scale();
    return true;
}

} // namespace dialogs
