// Protection and input: edits of protected text asked of the host first, and the keys, input
// method, mouse, wheel and focus events with the engine's own keyboard commands.
#include "RichEdit.h"

#include "RichEditOle.h"
#include "TableCells.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace richedit {

bool RichEdit::allowEdit(int from, int to)
{
    if (!protectionAllows(from, to))
        return false;
    if (from < to && m_ole)
        m_ole->notifyDeletion(from, to, m_oleCallback);
    return true;
}

bool RichEdit::protectionAllows(int from, int to)
{
    QTextDocument *doc = document();
    bool touches = false;
    if (from == to) {
        // Typing inside a protected run is an edit of that run.
        auto isProtected = [doc](int pos) {
            if (pos < 0 || pos >= doc->characterCount() - 1)
                return false;
            QTextCursor c(doc);
            c.setPosition(pos + 1);
            return c.charFormat().boolProperty(prop::Protected);
        };
        touches = isProtected(from - 1) && isProtected(from);
    } else {
        for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() < to && !touches;
             b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                if (f.position() < to && f.position() + f.length() > from
                    && f.charFormat().boolProperty(prop::Protected)) {
                    touches = true;
                    break;
                }
            }
    }
    if (!touches)
        return true;
    bool allow = false;
    if (m_eventMask & ENM_PROTECTED)
        emit protectedNotify(from, to, &allow);
    return allow;
}

void RichEdit::keyPressEvent(QKeyEvent *e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier) {
        switch (e->key()) {
        case Qt::Key_1: applyLineSpacingKey(0); return;
        case Qt::Key_2: applyLineSpacingKey(2); return;
        case Qt::Key_5: applyLineSpacingKey(1); return;
        default: break;
        }
    }
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        if (e->key() == Qt::Key_A) {
            toggleAllCaps();
            return;
        }
        if (e->key() == Qt::Key_L) {
            stepBulletStyle();
            return;
        }
    }
    if ((e->key() == Qt::Key_Up || e->key() == Qt::Key_Down)
        && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        // Into or out of a table: under the caret, where the control on its own goes to the
        // table's first or last cell whatever the column, and out of it at the x the caret
        // had inside its cell.
        if (const auto move = verticalMoveAcrossTableEdge(textCursor(), e->key() == Qt::Key_Up)) {
            QTextCursor c = textCursor();
            c.setPosition(move->position, mods == Qt::ShiftModifier ? QTextCursor::KeepAnchor
                                                                    : QTextCursor::MoveAnchor);
            c.setVerticalMovementX(move->x);
            setTextCursor(c);
            ensureCursorVisible();
            return;
        }
    }
    const bool backtab = e->key() == Qt::Key_Backtab
                         || (e->key() == Qt::Key_Tab && mods == Qt::ShiftModifier);
    if ((backtab || (e->key() == Qt::Key_Tab && mods == Qt::NoModifier)) && !tabChangesFocus()
        && textCursor().currentTable()) {
        moveToNextCell(backtab);
        return;
    }
    if (e->key() == Qt::Key_Tab && !tabChangesFocus() && mods == Qt::NoModifier) {
        const QTextCursor c = textCursor();
        if (allowEdit(c.selectionStart(), c.selectionEnd()))
            textCursor().insertText(QStringLiteral("\t"));
        return;
    }
    const QTextCursor c = textCursor();
    int from = c.selectionStart(), to = c.selectionEnd();
    bool edits = false;
    if (e->matches(QKeySequence::Cut) || e->matches(QKeySequence::Paste)) {
        edits = true;
    } else if (e->key() == Qt::Key_Backspace) {
        edits = true;
        if (from == to)
            from = qMax(0, from - 1);
    } else if (e->key() == Qt::Key_Delete) {
        edits = true;
        if (from == to)
            to = qMin(textLength(), to + 1);
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        edits = true;
    } else if (!e->text().isEmpty() && e->text().at(0).isPrint()
               && !(mods & (Qt::ControlModifier | Qt::MetaModifier))) {
        edits = true;
        if (from == to && textLength() >= m_textLimit)
            return;
    }
    if (edits && !allowEdit(from, to))
        return;
    if (edits && !c.hasSelection())
        dropPictureFormatAtCaret();
    QTextEdit::keyPressEvent(e);
}

void RichEdit::inputMethodEvent(QInputMethodEvent *e)
{
    const QTextCursor c = textCursor();
    if (!e->commitString().isEmpty() && !allowEdit(c.selectionStart(), c.selectionEnd()))
        return;
    if (!c.hasSelection())
        dropPictureFormatAtCaret();
    QTextEdit::inputMethodEvent(e);
}

void RichEdit::dropPictureFormatAtCaret()
{
    // Beside a picture the caret would take the picture's format for typed text (Qt drops only
    // the object type): the text gets a text format instead.
    QTextCharFormat f = currentCharFormat();
    if (!f.hasProperty(QTextFormat::ImageName))
        return;
    for (int property : {int(QTextFormat::ObjectType), int(QTextFormat::ImageName),
                         int(QTextFormat::ImageWidth), int(QTextFormat::ImageHeight),
                         int(prop::ImageGoalWidth), int(prop::ImageGoalHeight),
                         int(prop::ImageData), int(prop::ImageKind), int(prop::ImageScaleX),
                         int(prop::ImageScaleY), int(prop::ObjectData)})
        f.clearProperty(property);
    QTextEdit::setCurrentCharFormat(f);
}

void RichEdit::mousePressEvent(QMouseEvent *e)
{
    // A click on a picture selects it as one character; pressed again once selected, it can
    // be dragged.
    if (e->button() == Qt::LeftButton && e->modifiers() == Qt::NoModifier) {
        const int cp = pictureAt(e->pos());
        const CHARRANGE sel = exGetSel();
        if (cp >= 0 && !(sel.cpMin == cp && sel.cpMax == cp + 1)) {
            exSetSel(cp, cp + 1);
            e->accept();
            return;
        }
    }
    m_pressedLink = anchorAt(e->pos());
    QTextEdit::mousePressEvent(e);
}

void RichEdit::mouseReleaseEvent(QMouseEvent *e)
{
    const QString link = anchorAt(e->pos());
    QTextEdit::mouseReleaseEvent(e);
    if (!link.isEmpty() && link == m_pressedLink && (m_eventMask & ENM_LINK))
        emit linkNotify(link, e->button());
    m_pressedLink.clear();
}

void RichEdit::wheelEvent(QWheelEvent *e)
{
    if (e->modifiers() & Qt::ControlModifier) {
        // One step a notch (120 eighths of a degree); finer wheels add up to notches.
        m_zoomWheel += e->angleDelta().y();
        const int notches = m_zoomWheel / 120;
        m_zoomWheel -= notches * 120;
        if (notches != 0)
            setZoomPercent(m_zoom + notches * kZoomStep);
        return;
    }
    QTextEdit::wheelEvent(e);
}

void RichEdit::focusInEvent(QFocusEvent *e)
{
    QTextEdit::focusInEvent(e);
    if (m_hideSelection)
        hideSelection(true);
}

void RichEdit::focusOutEvent(QFocusEvent *e)
{
    QTextEdit::focusOutEvent(e);
    if (m_hideSelection)
        hideSelection(true);
}

void RichEdit::applyLineSpacingKey(int rule)
{
    PARAFORMAT2 pf;
    pf.dwMask = PFM_LINESPACING;
    pf.bLineSpacingRule = std::uint8_t(rule);
    pf.dyLineSpacing = 0;
    setParaFormat(pf);
}

void RichEdit::toggleAllCaps()
{
    QTextCursor c = textCursor();
    const bool caps = c.charFormat().fontCapitalization() == QFont::AllUppercase;
    QTextCharFormat f;
    f.setFontCapitalization(caps ? QFont::MixedCase : QFont::AllUppercase);
    if (c.hasSelection())
        c.mergeCharFormat(f);
    else
        mergeCurrentCharFormat(f);
}

void RichEdit::stepBulletStyle()
{
    static const int order[] = {0, PFN_BULLET, PFN_ARABIC, PFN_LCLETTER, PFN_UCLETTER,
                                PFN_LCROMAN, PFN_UCROMAN};
    const PARAFORMAT2 cur = getParaFormat();
    int next = 0;
    for (int i = 0; i < 7; ++i)
        if (order[i] == cur.wNumbering)
            next = order[(i + 1) % 7];
    PARAFORMAT2 pf;
    pf.dwMask = PFM_NUMBERING;
    pf.wNumbering = std::uint16_t(next);
    if (next && cur.dxOffset < 200) {
        pf.dwMask |= PFM_OFFSET;
        pf.dxOffset = 360;
    }
    setParaFormat(pf);
}

} // namespace richedit
