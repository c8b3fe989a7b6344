#pragma once
// Dialogs for tests: answers are queued before the code under test runs, and every dialog
// shown is recorded with its kind, title, text and options. While an instance lives it is the
// process's current dialogs; the previous ones come back when it is destroyed.

#include "dialogs/Dialogs.h"
#include "dialogs/ObjectProperties.h"

#include <QList>
#include <QString>
#include <cstdint>

class ScriptedDialogs : public dialogs::Dialogs {
public:
    enum class Kind { Information, Confirmation, Error, OpenFile, SaveFile, Font, Colour, Input,
                      ObjectProperties };

    // What one dialog showed.
    struct Shown {
        Kind kind;
        QString title;
        QString text;                       // message, or input prompt
        dialogs::Buttons buttons = dialogs::Buttons::YesNo; // confirmations
        dialogs::FileDialogOptions file;    // file dialogs, as they were when shown
        FontChoice font;                      // font dialog preset
        std::uint32_t colour = 0;           // colour dialog preset
        bool fullOpen = false;
        QString defaultText;                // input box preset
        dialogs::ObjectProperties object;   // object properties as preset
        bool answered = true;               // false when no fitting answer was queued
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    // Queue answers, consumed in order by the dialogs that need one. Information and error
    // boxes take no answer.
    void answer(dialogs::Answer answer);                  // confirmation
    void answerFile(const QString &typedName, int filterIndex = 0); // 0: keep the filter
    void answerFont(const FontChoice &font);
    void answerColour(std::uint32_t colour);
    void answerText(const QString &text);
    void answerObjectProperties(int scale); // confirms with this scale
    void cancelNext(); // the next file, font, colour or input dialog is cancelled

    const QList<Shown> &shown() const { return m_shown; }
    QList<Shown> shownOf(Kind kind) const;
    // True when every dialog shown found a fitting answer and no answer is left over.
    bool allAnswered() const;
    int pendingAnswers() const { return int(m_answers.size()); }
    void clear();

    void information(const QString &title, const QString &text) override;
    dialogs::Answer confirm(const QString &title, const QString &text,
                            dialogs::Buttons buttons) override;
    void error(const QString &title, const QString &text) override;
    bool openFile(dialogs::FileDialogOptions &options) override;
    bool saveFile(dialogs::FileDialogOptions &options) override;
    bool chooseFont(FontChoice &font) override;
    bool chooseColour(std::uint32_t &colour, bool fullOpen) override;
    bool inputQuery(const QString &title, const QString &prompt, QString &value) override;
    bool objectProperties(dialogs::ObjectProperties &properties, QWidget *owner) override;

private:
    enum class AnswerKind { Button, File, Font, Colour, Text, Object, Cancel };
    struct Scripted {
        AnswerKind kind;
        dialogs::Answer button = dialogs::Answer::Cancel;
        QString text;
        int filterIndex = 0;
        FontChoice font;
        std::uint32_t colour = 0;
        int scale = 100;
    };

    // Takes the next answer when it is of the wanted kind (or a cancel); otherwise marks the
    // last shown dialog unanswered and returns a cancel.
    Scripted take(AnswerKind wanted);
    bool runFile(dialogs::FileDialogOptions &options, Kind kind);

    QList<Scripted> m_answers;
    QList<Shown> m_shown;
    dialogs::Dialogs *m_previous = nullptr;
};
