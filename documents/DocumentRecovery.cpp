#include "documents/DocumentRecovery.h"

#include "app/Exceptions.h"
#include "dialogs/Dialogs.h"
#include "documents/RecoveryDialog.h"
#include "documents/RecoveryWriter.h"
#include "documents/SlicedRtfStream.h"
#include "files/SafeFile.h"
#include "editor/RxRichEd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>

namespace {

constexpr int kExcerptLength = 60;
// A gap between keystrokes long enough to take a copy in without the next key waiting.
constexpr int kGapMs = 250;
// After an edit abandoned a copy being streamed: the wait for the next try, at most.
constexpr int kRetryMs = 50;

QString displayName(const QString &fileName)
{
    return fileName.isEmpty() ? QStringLiteral("Untitled Document") : fileName;
}

QString boxTitle() { return QGuiApplication::applicationDisplayName(); }

} // namespace

DocumentRecovery::DocumentRecovery(const QString &folder, TRxRichEdit *editor, QWidget *window)
    : QObject(nullptr), m_store(folder), m_editor(editor), m_window(window),
      m_writer(new RecoveryWriter(this)), m_stream(new SlicedRtfStream(this))
{
    for (QTimer *timer : {&m_pause, &m_due, &m_longest})
        timer->setSingleShot(true);
    setDelays(3000, 60000);
    connect(&m_pause, &QTimer::timeout, this, &DocumentRecovery::takeCopy);
    connect(&m_longest, &QTimer::timeout, this, &DocumentRecovery::takeCopy);
    connect(&m_due, &QTimer::timeout, this, [this] {
        m_isDue = true;
        m_pause.start(qMin(m_pauseMs, kGapMs));
    });
    connect(m_writer, &RecoveryWriter::written, this, &DocumentRecovery::written,
            Qt::QueuedConnection);
    connect(m_stream, &SlicedRtfStream::finished, this, &DocumentRecovery::streamed);
    connect(m_stream, &SlicedRtfStream::abandoned, this, &DocumentRecovery::abandoned);
}

DocumentRecovery::~DocumentRecovery()
{
    stopTimers();
    m_stream->cancel();
    if (m_store.isOpen())
        m_writer->remove(m_store.ownCopyPath());
    // The writer finishes before the lock goes, so no copy is left without its lock.
    delete m_writer;
}

void DocumentRecovery::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (!on) {
        stopTimers();
        removeCopy();
    } else if (m_editor->DocumentModified()) {
        modifiedStateSet(true);
    }
}

void DocumentRecovery::setDelays(int pauseMs, int longestMs)
{
    m_pauseMs = pauseMs;
    m_due.setInterval(longestMs * 3 / 4);
    m_longest.setInterval(longestMs);
}

void DocumentRecovery::stopTimers()
{
    m_pause.stop();
    m_due.stop();
    m_longest.stop();
    m_isDue = false;
}

void DocumentRecovery::modifiedStateSet(bool modified)
{
    if (!m_enabled)
        return;
    if (!modified) {
        stopTimers();
        removeCopy();
        return;
    }
    m_pause.start(m_isDue ? qMin(m_pauseMs, kGapMs) : m_pauseMs); // every change pushes it back
    if (!m_longest.isActive()) {
        m_due.start();
        m_longest.start();
    }
}

void DocumentRecovery::removeCopy()
{
    m_stream->cancel();
    if (m_store.isOpen())
        m_writer->remove(m_store.ownCopyPath());
}

void DocumentRecovery::takeCopy()
{
    stopTimers();
    if (!m_enabled)
        return;
    if (!m_editor->DocumentModified() || m_editor->document()->isEmpty()) {
        removeCopy();
        return;
    }
    if (!m_store.open()) {
        report(QStringLiteral("Unsaved work cannot be kept safe: %1.").arg(m_store.error()));
        return;
    }
    RecoveryCopy copy;
    copy.fileName = documentName ? documentName() : QString();
    const QTextCursor cursor = m_editor->textCursor();
    copy.anchor = cursor.anchor();
    copy.caret = cursor.position();
    copy.time = QDateTime::currentDateTimeUtc();
    copy.excerpt = documentExcerpt();
    m_pending = copy;
    // Rich Text even while the control shows plain text: the copy is always RTF.
    m_stream->start(m_editor->document());
}

void DocumentRecovery::streamed(const QByteArray &rtf)
{
    m_lastCopyMs = m_stream->longestTurnMs();
    m_pending.rtf = rtf;
    m_writer->write(m_store.ownCopyPath(), m_pending);
    m_pending = {};
}

void DocumentRecovery::abandoned()
{
    // The document changed while it was being streamed: the changes are still unsaved, so
    // the copy is taken again after a short gap in typing.
    m_pending = {};
    if (!m_enabled || !m_editor->DocumentModified())
        return;
    m_isDue = true;
    if (!m_pause.isActive())
        m_pause.start(qMin(m_pauseMs, kRetryMs));
}

QString DocumentRecovery::documentExcerpt() const
{
    QString text;
    for (QTextBlock b = m_editor->document()->begin(); b.isValid() && text.size() < kExcerptLength;
         b = b.next()) {
        const QString line = b.text().simplified();
        if (line.isEmpty())
            continue;
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += line;
    }
    text.remove(QChar::ObjectReplacementCharacter);
    return text.size() > kExcerptLength ? text.left(kExcerptLength) + QStringLiteral("...") : text;
}

void DocumentRecovery::waitForWrites()
{
    m_stream->finishNow();
    m_writer->waitForIdle();
    QCoreApplication::sendPostedEvents(this); // deliver the writer's reports
}

void DocumentRecovery::written(const QString &path, bool ok, const QString &problem)
{
    if (ok) {
        m_failureReported = false;
        emit copyWritten(path);
        return;
    }
    report(QStringLiteral("Unsaved work cannot be kept safe: the recovery copy %1 cannot be "
                          "written (%2).").arg(QDir::toNativeSeparators(path), problem));
}

// One box per run of failures: a full disk must not interrupt every pause in typing.
void DocumentRecovery::report(const QString &text)
{
    if (m_failureReported)
        return;
    m_failureReported = true;
    dialogs::current().information(boxTitle(), text);
}

// ---- start-up -----------------------------------------------------------------------------

void DocumentRecovery::keepAsideAndReport(RecoveryStore::Orphan &orphan, const QString &problem)
{
    const QString name = QDir::toNativeSeparators(orphan.path);
    const QString kept = m_store.keepAside(orphan);
    QString text = QStringLiteral("The recovery copy %1 cannot be restored: %2.").arg(name, problem);
    if (!kept.isEmpty())
        text += QStringLiteral(" It has been kept as %1.").arg(QDir::toNativeSeparators(kept));
    else
        RecoveryStore::release(orphan); // left where it is: offered again at the next start
    dialogs::current().information(boxTitle(), text);
}

void DocumentRecovery::offerOrphans()
{
    if (!m_enabled)
        return;
    try {
        std::vector<RecoveryStore::Orphan> orphans = m_store.claimOrphans();
        std::vector<RecoveryStore::Orphan> readable;
        QList<RecoveryCopy> copies;
        QList<RecoveryEntry> entries;
        for (RecoveryStore::Orphan &orphan : orphans) {
            QFile file;
            if (!files::openRegularFile(file, orphan.path)) {
                keepAsideAndReport(orphan, QStringLiteral("it cannot be read"));
                continue;
            }
            const RecoveryCopyRead read = decodeRecoveryCopy(file.readAll());
            file.close();
            if (!read.ok()) {
                keepAsideAndReport(orphan, recoveryCopyProblem(read.status));
                continue;
            }
            copies << read.copy;
            entries << RecoveryEntry{read.copy.fileName, read.copy.time, read.copy.excerpt};
            readable.push_back(std::move(orphan));
        }
        if (entries.isEmpty())
            return;

        RecoveryDialog dialog(entries, m_window);
        dialog.onDiscard = [&](int index) {
            const QString name = displayName(copies[index].fileName);
            const QString question = QStringLiteral("Discard the unsaved changes of %1? They cannot "
                                                    "be recovered afterwards.").arg(name);
            if (dialogs::current().confirm(boxTitle(), question, dialogs::Buttons::YesNo)
                != dialogs::Answer::Yes)
                return false;
            if (m_store.discard(readable[size_t(index)]))
                return true;
            dialogs::current().information(
                boxTitle(), QStringLiteral("The recovery copy %1 cannot be deleted.")
                                .arg(QDir::toNativeSeparators(readable[size_t(index)].path)));
            return false;
        };
        dialog.exec();
        if (m_window)
            m_window->activateWindow(); // the keyboard goes back to the document
        const int chosen = dialog.restoreIndex();
        if (chosen >= 0)
            restore(readable[size_t(chosen)], copies[chosen]);
        // What was neither restored nor discarded waits for the next start.
        for (RecoveryStore::Orphan &orphan : readable)
            RecoveryStore::release(orphan);
    } catch (const std::exception &e) {
        dialogs::current().information(boxTitle(), exceptionMessage(e));
    }
}

bool DocumentRecovery::restore(RecoveryStore::Orphan &orphan, const RecoveryCopy &copy)
{
    try {
        if (restoreDocument)
            restoreDocument(copy);
    } catch (const EAbort &) {
        return false;
    } catch (const std::exception &e) {
        keepAsideAndReport(orphan, exceptionMessage(e));
        return false;
    }
    // The restored document is still unsaved: its copy becomes this instance's own, so it is
    // safe from now on and no longer offered to anyone else. Should the rename fail, the old
    // copy stays for the next start and the next pause writes a fresh one of ours. A removal
    // of our copy that loading the document queued must not meet the adopted one.
    m_writer->waitForIdle();
    m_store.adopt(orphan);
    return true;
}
