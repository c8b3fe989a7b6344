#include "editor/FindDialog.h"

#include "dialogs/Dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

TFindDialog::TFindDialog(QTextEdit *editor, QWidget *parent)
    : QDialog(parent), m_editor(editor)
{
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Find and Replace"));
    setModal(false);

    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    ReplaceEdit = new QLineEdit(this);
    ReplaceEdit->setObjectName(QStringLiteral("ReplaceEdit"));
    MatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    MatchCase->setObjectName(QStringLiteral("MatchCase"));
    WholeWords = new QCheckBox(QStringLiteral("&Whole words only"), this);
    WholeWords->setObjectName(QStringLiteral("WholeWords"));
    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setWordWrap(true);

    auto button = [this](const QString &name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    btnFindNext = button(QStringLiteral("btnFindNext"), QStringLiteral("Find &Next"));
    btnFindNext->setDefault(true);
    btnFindPrevious = button(QStringLiteral("btnFindPrevious"), QStringLiteral("Find &Previous"));
    btnReplace = button(QStringLiteral("btnReplace"), QStringLiteral("&Replace"));
    btnReplaceAll = button(QStringLiteral("btnReplaceAll"), QStringLiteral("Replace &All"));
    btnClose = button(QStringLiteral("btnClose"), QStringLiteral("Close"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Find what:"), FindEdit);
    form->addRow(QStringLiteral("Replace w&ith:"), ReplaceEdit);
    auto *checks = new QHBoxLayout;
    checks->addWidget(MatchCase);
    checks->addWidget(WholeWords);
    checks->addStretch();
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {btnFindNext, btnFindPrevious, btnReplace, btnReplaceAll, btnClose})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *left = new QVBoxLayout;
    left->addLayout(form);
    left->addLayout(checks);
    left->addWidget(StatusLabel);
    left->addStretch();
    auto *top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(buttons);
    resize(460, 170);

    connect(btnFindNext, &QPushButton::clicked, this, [this] { findNext(false); });
    connect(btnFindPrevious, &QPushButton::clicked, this, [this] { findNext(true); });
    connect(btnReplace, &QPushButton::clicked, this, &TFindDialog::replaceOne);
    connect(btnReplaceAll, &QPushButton::clicked, this, &TFindDialog::replaceAll);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::hide);
}

QString TFindDialog::notFoundText(const QString &text)
{
    return QStringLiteral("Cannot find \"%1\".").arg(text);
}

QString TFindDialog::wrappedText(bool backward)
{
    return backward ? QStringLiteral("Reached the beginning of the document; continued from the end.")
                    : QStringLiteral("Reached the end of the document; continued from the beginning.");
}

QString TFindDialog::replacedText(int count)
{
    return count == 1 ? QStringLiteral("Replaced 1 occurrence.")
                      : QStringLiteral("Replaced %1 occurrences.").arg(count);
}

FindOptions TFindDialog::options() const
{
    FindOptions o;
    o.matchCase = MatchCase->isChecked();
    o.wholeWords = WholeWords->isChecked();
    return o;
}

void TFindDialog::presetFromSelection()
{
    const QTextCursor c = m_editor->textCursor();
    const QString selected = c.selectedText();
    // A selection within one paragraph is what the user wants to find.
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)
        && selected.size() <= 200)
        FindEdit->setText(selected);
}

void TFindDialog::showFind()
{
    presetFromSelection();
    StatusLabel->clear();
    show();
    raise();
    activateWindow();
    FindEdit->setFocus();
    FindEdit->selectAll();
}

void TFindDialog::showReplace()
{
    presetFromSelection();
    StatusLabel->clear();
    show();
    raise();
    activateWindow();
    ReplaceEdit->setFocus();
    ReplaceEdit->selectAll();
}

void TFindDialog::tell(const QString &message)
{
    StatusLabel->setText(message);
    dialogs::current().information(QGuiApplication::applicationDisplayName(), message);
}

void TFindDialog::select(int start, int length)
{
    QTextCursor c = m_editor->textCursor();
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    m_editor->setTextCursor(c);
    m_editor->ensureCursorVisible();
}

bool TFindDialog::findNext(bool backward)
{
    const QString text = FindEdit->text();
    if (text.isEmpty()) {
        showFind();
        return false;
    }
    const QTextCursor c = m_editor->textCursor();
    const int from = backward ? c.selectionStart() : c.selectionEnd();
    const FindResult r = TextFinder(m_editor->document()).find(text, from, backward, options());
    if (!r.found()) {
        tell(notFoundText(text));
        return false;
    }
    select(r.start, r.length);
    if (r.wrapped)
        tell(wrappedText(backward));
    else
        StatusLabel->clear();
    return true;
}

void TFindDialog::replaceOne()
{
    const QString text = FindEdit->text();
    if (text.isEmpty())
        return;
    TextFinder finder(m_editor->document());
    const QTextCursor c = m_editor->textCursor();
    const int start = c.selectionStart();
    if (c.hasSelection() && c.selectionEnd() - start == text.size()
        && finder.matchesAt(m_editor->document()->toPlainText(), start, text, options())) {
        if (!finder.replaceAt(start, int(text.size()), ReplaceEdit->text())) {
            tell(QStringLiteral("The text found is protected and was not replaced."));
            return;
        }
        QTextCursor after = m_editor->textCursor();
        after.setPosition(start + int(ReplaceEdit->text().size()));
        m_editor->setTextCursor(after);
    }
    findNext(false);
}

int TFindDialog::replaceAll()
{
    const QString text = FindEdit->text();
    if (text.isEmpty())
        return 0;
    const int count = TextFinder(m_editor->document()).replaceAll(text, ReplaceEdit->text(),
                                                                  options());
    tell(count > 0 ? replacedText(count) : notFoundText(text));
    return count;
}
