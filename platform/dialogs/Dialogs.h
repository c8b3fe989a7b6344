#pragma once
// Every modal question the program asks goes through one interface: message boxes, the open
// and save file dialogs, the font and colour dialogs and the input box. The process holds one
// current implementation (the Qt one in the program, a scripted one in tests), so commands
// never create dialogs themselves.

#include "dialogs/FontChoice.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class QWidget;

namespace dialogs {

struct ObjectProperties;

enum class Answer { Ok, Yes, No, Cancel };
enum class Buttons { YesNo, YesNoCancel };

// One entry of a filter string: "Rich Text Format (*.rtf)" with its patterns ("*.rtf").
struct FileFilter {
    QString description;
    QStringList patterns;
    bool operator==(const FileFilter &) const = default;
};

// Splits "Description|*.a;*.b|Description|*.c" into its entries. A trailing description
// without patterns is dropped; empty text gives no entries.
QList<FileFilter> parseFilter(const QString &filter);
// The name filters a Qt file dialog shows for the entries ("Description (*.a *.b)").
QStringList qtNameFilters(const QList<FileFilter> &filters);
// The extension (without the full stop) a file name gets when the user typed none: the first
// pattern of the chosen filter when it names one extension ("*.pdf"), else defaultExtension.
QString extensionFor(const QList<FileFilter> &filters, int filterIndex,
                     const QString &defaultExtension);
// fileName with "." + extension appended when its name part (after the last folder separator)
// holds no full stop and extension is not empty.
QString withDefaultExtension(const QString &fileName, const QString &extension);

// The state of one file dialog of a window; it lives as long as the window, so that the filter
// last chosen and the name last taken are there the next time the dialog opens.
struct FileDialogOptions {
    QString title;            // empty: the platform's own title
    QString filter;           // "Description|*.ext|..." form
    int filterIndex = 1;      // one-based, as the common dialogs count
    QString defaultExtension; // without the full stop, e.g. "rtf"
    QString fileName;         // initial name (may hold a folder); the chosen full path after OK
    QString initialFolder;    // used when fileName holds no folder
    bool overwritePrompt = false;
    bool fileMustExist = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Information box: the information icon and an OK button.
    virtual void information(const QString &title, const QString &text) = 0;
    // Confirmation box with the question icon; returns Yes, No or (YesNoCancel only) Cancel.
    // Closing the box without a button counts as Cancel, or as No when there is no Cancel.
    virtual Answer confirm(const QString &title, const QString &text, Buttons buttons) = 0;
    // Error box: the stop icon and an OK button.
    virtual void error(const QString &title, const QString &text) = 0;

    // File dialogs: true when the user chose a file; options.fileName then holds its full
    // path (with the default extension added) and options.filterIndex the filter in use.
    // Cancel leaves options as they were.
    virtual bool openFile(FileDialogOptions &options) = 0;
    virtual bool saveFile(FileDialogOptions &options) = 0;

    // Font dialog preset with font; true and font changed when the user confirms.
    virtual bool chooseFont(FontChoice &font) = 0;
    // Colour dialog preset with colour (0x00BBGGRR); fullOpen shows the custom-colour part.
    virtual bool chooseColour(std::uint32_t &colour, bool fullOpen) = 0;
    // Input box: true and value changed when the user confirms.
    virtual bool inputQuery(const QString &title, const QString &prompt, QString &value) = 0;

    // The object properties dialog (ObjectProperties.h), owned by owner: true and
    // properties.scale changed when the user confirms. Without a display: false.
    virtual bool objectProperties(ObjectProperties &properties, QWidget *owner);

    // The classic input box: the typed text, or defaultText when the user cancels.
    QString inputBox(const QString &title, const QString &prompt, const QString &defaultText);
};

// The dialogs of the process. Until one is set, a QtDialogs instance is created on first use.
Dialogs &current();
// Makes dialogs the current implementation (nullptr: back to the Qt one); returns the previous
// one set (nullptr when none was). The caller keeps ownership.
Dialogs *setCurrent(Dialogs *dialogs);

// Dialogs shown with Qt widgets, parented to the application's active window.
class QtDialogs : public Dialogs {
public:
    void information(const QString &title, const QString &text) override;
    Answer confirm(const QString &title, const QString &text, Buttons buttons) override;
    void error(const QString &title, const QString &text) override;
    bool openFile(FileDialogOptions &options) override;
    bool saveFile(FileDialogOptions &options) override;
    bool chooseFont(FontChoice &font) override;
    bool chooseColour(std::uint32_t &colour, bool fullOpen) override;
    bool inputQuery(const QString &title, const QString &prompt, QString &value) override;
    bool objectProperties(ObjectProperties &properties, QWidget *owner) override;

private:
    bool runFileDialog(FileDialogOptions &options, bool save);
};

} // namespace dialogs
