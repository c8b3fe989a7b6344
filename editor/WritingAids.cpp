// The main window's writing aids: the find and replace window with its keys (Ctrl+F, F3,
// Shift+F3, Ctrl+R, none of which the window or the editor use otherwise) and spell checking
// as the user types, set by the settings file.
#include "app/Main.h"

#include "app/Application.h"
#include "editor/FindDialog.h"
#include "editor/SpellChecking.h"

#include <QDir>
#include <QFileInfo>

void TfrmMainEditor::setupWritingAids()
{
    Spelling = new SpellChecking(Editor, this);
    connect(Spelling, &SpellChecking::dictionaryError, this,
            [](const QString &message) { showErrorBox(message); });
    FindDialog = new TFindDialog(Editor, this);
    auto key = [this](const QString &name, const QString &caption, const QKeySequence &sequence,
                      std::function<void()> run) {
        auto *a = new QAction(caption, this);
        a->setObjectName(name);
        a->setShortcut(sequence);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, run] { runHandler(run); });
        QWidget::addAction(a);
        return a;
    };
    Find1 = key(QStringLiteral("Find1"), QStringLiteral("Find..."), QKeySequence(Qt::CTRL | Qt::Key_F),
                [this] { FindDialog->showFind(); });
    FindNext1 = key(QStringLiteral("FindNext1"), QStringLiteral("Find Next"), QKeySequence(Qt::Key_F3),
                    [this] { FindDialog->findNext(false); });
    FindPrevious1 = key(QStringLiteral("FindPrevious1"), QStringLiteral("Find Previous"),
                        QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { FindDialog->findNext(true); });
    Replace1 = key(QStringLiteral("Replace1"), QStringLiteral("Replace..."), QKeySequence(Qt::CTRL | Qt::Key_R),
                   [this] { FindDialog->showReplace(); });
    // F3 and Shift+F3 work in the find window as well.
    for (QAction *a : {FindNext1, FindPrevious1}) {
        auto *copy = new QAction(a->text(), FindDialog);
        copy->setShortcut(a->shortcut());
        connect(copy, &QAction::triggered, a, &QAction::trigger);
        FindDialog->addAction(copy);
    }
}

void TfrmMainEditor::applySpellingSettings(bool check, const QString &language)
{
    m_spellCheck = check;
    m_spellLanguage = language;
    if (!Spelling)
        return;
    Spelling->setPersonalListPath(
        QFileInfo(settingsPath()).absoluteDir().filePath(QStringLiteral("PersonalWords.dic")));
    Spelling->setLanguage(language);
    Spelling->setEnabled(check && !m_headless);
}
