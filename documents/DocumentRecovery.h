#pragma once
// Keeps unsaved work safe. While the document has unsaved changes, a recovery copy (the whole
// document as Rich Text, its file name, the selection and the time) is taken after a short
// pause in typing and at least once a minute during continuous typing. Taking a copy streams
// the document into memory on the window thread; encoding, writing and syncing happen on the
// writer's thread, so a keystroke never waits for the disk. Streaming a long document takes a
// moment, so during continuous typing the copy waits, from three quarters of the longest delay
// on, for a short gap between keystrokes, and is started without one at the longest delay.
// When the document has nothing left to lose (saved, replaced by New or Open, cleared) the copy goes, and so it does at a normal
// end. At start-up the copies of instances that are no longer running are offered for
// restoring. The main window owns one and wires it to its Modified state. The document is
// streamed in turns of a few milliseconds from the event loop (SlicedRtfStream); an edit
// between turns abandons that copy and another is taken after the next short gap in typing.

#include "documents/RecoveryCopy.h"
#include "documents/RecoveryStore.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class QWidget;
class RecoveryWriter;
class SlicedRtfStream;
class TRxRichEdit;

class DocumentRecovery : public QObject {
    Q_OBJECT
public:
    // Copies go to folder; the document is read from editor; window parents the dialogs.
    DocumentRecovery(const QString &folder, TRxRichEdit *editor, QWidget *window);
    // A normal end: the copy is removed (after any write still under way) and the lock let go.
    ~DocumentRecovery() override;

    // The document's file name, empty when it has none. Read whenever a copy is taken.
    std::function<QString()> documentName;
    // Puts a recovered document into the window; throws EScrivelleError when it cannot.
    std::function<void(const RecoveryCopy &)> restoreDocument;

    // Switched off, no copies are taken (the present one is removed) and none are offered.
    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }
    // The pause in typing after which a copy is taken, and the longest time unsaved changes
    // go without one (3 s and 60 s unless changed).
    void setDelays(int pauseMs, int longestMs);
    int pauseDelay() const { return m_pauseMs; }
    int longestDelay() const { return m_longest.interval(); }

    // Called with the Modified state whenever it is set: true (every change) schedules a copy,
    // false (nothing left to lose) removes it.
    void modifiedStateSet(bool modified);
    // Starts a copy now (or removes it when there is nothing to lose); the document is streamed
    // from the event loop and then handed to the writer.
    void takeCopy();
    // Offers the copies of ended instances in the recovery dialog, and reports (and keeps
    // aside) those that cannot be read. Never throws.
    void offerOrphans();

    QString folder() const { return m_store.folder(); }
    // This instance's copy file (empty until the first copy).
    QString copyPath() const { return m_store.ownCopyPath(); }
    // Finishes the copy being streamed, then blocks until every write and removal asked so far
    // is done (used at the end and by tests).
    void waitForWrites();
    // The longest the window thread spent at once on the last copy (one turn of streaming the
    // document), milliseconds.
    double lastCopyMs() const { return m_lastCopyMs; }

signals:
    // A copy reached the disk (emitted on the window thread).
    void copyWritten(const QString &path);

private:
    void stopTimers();
    void streamed(const QByteArray &rtf);
    void abandoned();
    void removeCopy();
    void written(const QString &path, bool ok, const QString &problem);
    void report(const QString &text);
    // Restores orphan's copy into the window; false when the document could not be loaded.
    bool restore(RecoveryStore::Orphan &orphan, const RecoveryCopy &copy);
    // Renames a copy that cannot be used aside and tells the user which file it is.
    void keepAsideAndReport(RecoveryStore::Orphan &orphan, const QString &problem);
    QString documentExcerpt() const;

    RecoveryStore m_store;
    TRxRichEdit *m_editor;
    QWidget *m_window;
    RecoveryWriter *m_writer;
    SlicedRtfStream *m_stream;
    RecoveryCopy m_pending; // the copy whose document is being streamed
    QTimer m_pause;   // restarted by every change: the pause in typing, or the gap once due
    QTimer m_due;     // from the first change since the last copy: from now on a gap will do
    QTimer m_longest; // from the first change since the last copy: no more waiting
    bool m_isDue = false;
    int m_pauseMs = 3000;
    bool m_enabled = true;
    bool m_failureReported = false;
    double m_lastCopyMs = 0;
};
