#include "support/ScriptedDialogs.h"

#include <QDir>

using dialogs::Answer;

ScriptedDialogs::ScriptedDialogs()
    : m_previous(dialogs::setCurrent(this))
{
}

ScriptedDialogs::~ScriptedDialogs()
{
    dialogs::setCurrent(m_previous);
}

void ScriptedDialogs::answer(Answer answer)
{
    m_answers.append({AnswerKind::Button, answer});
}

void ScriptedDialogs::answerFile(const QString &typedName, int filterIndex)
{
    Scripted s{AnswerKind::File};
    s.text = typedName;
    s.filterIndex = filterIndex;
    m_answers.append(s);
}

void ScriptedDialogs::answerFont(const FontChoice &font)
{
    Scripted s{AnswerKind::Font};
    s.font = font;
    m_answers.append(s);
}

void ScriptedDialogs::answerColour(std::uint32_t colour)
{
    Scripted s{AnswerKind::Colour};
    s.colour = colour;
    m_answers.append(s);
}

void ScriptedDialogs::answerText(const QString &text)
{
    Scripted s{AnswerKind::Text};
    s.text = text;
    m_answers.append(s);
}

void ScriptedDialogs::answerObjectProperties(int scale)
{
    Scripted s{AnswerKind::Object};
    s.scale = scale;
    m_answers.append(s);
}

void ScriptedDialogs::cancelNext()
{
    m_answers.append({AnswerKind::Cancel});
}

QList<ScriptedDialogs::Shown> ScriptedDialogs::shownOf(Kind kind) const
{
    QList<Shown> out;
    for (const Shown &s : m_shown) {
        if (s.kind == kind)
            out.append(s);
    }
    return out;
}

bool ScriptedDialogs::allAnswered() const
{
    if (!m_answers.isEmpty())
        return false;
    for (const Shown &s : m_shown) {
        if (!s.answered)
            return false;
    }
    return true;
}

void ScriptedDialogs::clear()
{
    m_answers.clear();
    m_shown.clear();
}

ScriptedDialogs::Scripted ScriptedDialogs::take(AnswerKind wanted)
{
    if (!m_answers.isEmpty()) {
        const AnswerKind next = m_answers.first().kind;
        const bool cancelFits = next == AnswerKind::Cancel && wanted != AnswerKind::Button;
        if (next == wanted || cancelFits)
            return m_answers.takeFirst();
    }
    m_shown.last().answered = false;
    return {AnswerKind::Cancel};
}

void ScriptedDialogs::information(const QString &title, const QString &text)
{
    m_shown.append({Kind::Information, title, text});
}

void ScriptedDialogs::error(const QString &title, const QString &text)
{
    m_shown.append({Kind::Error, title, text});
}

Answer ScriptedDialogs::confirm(const QString &title, const QString &text,
                                dialogs::Buttons buttons)
{
    Shown shown{Kind::Confirmation, title, text};
    shown.buttons = buttons;
    m_shown.append(shown);
    const Answer fallback = buttons == dialogs::Buttons::YesNo ? Answer::No : Answer::Cancel;
    const Scripted s = take(AnswerKind::Button);
    if (s.kind != AnswerKind::Button)
        return fallback;
    // The box has no OK, and no Cancel unless asked for: such an answer is a script error.
    const bool offered = s.button == Answer::Yes || s.button == Answer::No
        || (s.button == Answer::Cancel && buttons == dialogs::Buttons::YesNoCancel);
    if (!offered) {
        m_shown.last().answered = false;
        return fallback;
    }
    return s.button;
}

bool ScriptedDialogs::runFile(dialogs::FileDialogOptions &options, Kind kind)
{
    Shown shown{kind, options.title};
    shown.file = options;
    m_shown.append(shown);
    const Scripted s = take(AnswerKind::File);
    if (s.kind != AnswerKind::File)
        return false;

    const QList<dialogs::FileFilter> filters = dialogs::parseFilter(options.filter);
    const int index = s.filterIndex > 0 ? s.filterIndex : options.filterIndex;
    // A typed name without folder lands in the folder the dialog opened in.
    QString name = s.text;
    if (!QDir::isAbsolutePath(name)) {
        QString folder = options.initialFolder;
        if (options.fileName.contains(u'/'))
            folder = options.fileName.left(options.fileName.lastIndexOf(u'/'));
        if (!folder.isEmpty())
            name = QDir(folder).filePath(name);
    }
    options.filterIndex = index;
    options.fileName = dialogs::withDefaultExtension(
        name, dialogs::extensionFor(filters, index, options.defaultExtension));
    return true;
}

bool ScriptedDialogs::openFile(dialogs::FileDialogOptions &options)
{
    return runFile(options, Kind::OpenFile);
}

bool ScriptedDialogs::saveFile(dialogs::FileDialogOptions &options)
{
    return runFile(options, Kind::SaveFile);
}

bool ScriptedDialogs::chooseFont(FontChoice &font)
{
    Shown shown{Kind::Font};
    shown.font = font;
    m_shown.append(shown);
    const Scripted s = take(AnswerKind::Font);
    if (s.kind != AnswerKind::Font)
        return false;
    font = s.font;
    return true;
}

bool ScriptedDialogs::chooseColour(std::uint32_t &colour, bool fullOpen)
{
    Shown shown{Kind::Colour};
    shown.colour = colour;
    shown.fullOpen = fullOpen;
    m_shown.append(shown);
    const Scripted s = take(AnswerKind::Colour);
    if (s.kind != AnswerKind::Colour)
        return false;
    colour = s.colour;
    return true;
}

bool ScriptedDialogs::inputQuery(const QString &title, const QString &prompt, QString &value)
{
    Shown shown{Kind::Input, title, prompt};
    shown.defaultText = value;
    m_shown.append(shown);
    const Scripted s = take(AnswerKind::Text);
    if (s.kind != AnswerKind::Text)
        return false;
    value = s.text;
    return true;
}

bool ScriptedDialogs::objectProperties(dialogs::ObjectProperties &properties, QWidget *)
{
    Shown shown{Kind::ObjectProperties, properties.caption, properties.typeName};
    shown.object = properties;
    m_shown.append(shown);
    const Scripted s = take(AnswerKind::Object);
    if (s.kind != AnswerKind::Object)
        return false;
    properties.scale = s.scale;
    return true;
}
