#pragma once
// Writes a document as Rich Text without holding the window thread for more than a few
// milliseconds at a time, so that a keystroke never waits for a long document to be streamed.
// The writing runs on a thread of its own, but only while the window thread waits for it: the
// two take turns (a turn ends after the paragraph that passes the turn's length), so the
// document is never read and edited at once. Between turns the window thread handles its
// events; should the document change meanwhile, the stream is abandoned, since its bytes would
// mix two states of the document. The bytes are those the engine's Rich Text stream-out of the
// whole document gives.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTextDocument>
#include <QTimer>

#include <condition_variable>
#include <mutex>
#include <thread>

class SlicedRtfStream : public QObject {
    Q_OBJECT
public:
    explicit SlicedRtfStream(QObject *parent = nullptr);
    // Abandons a stream under way.
    ~SlicedRtfStream() override;

    // Starts writing document; the turns are taken from the event loop. A stream under way is
    // abandoned first.
    void start(QTextDocument *document);
    bool isRunning() const { return m_worker.joinable(); }
    // Abandons the stream under way, if any (nothing is emitted).
    void cancel();
    // Takes the remaining turns one after the other, now; finished or abandoned is emitted as
    // from the event loop.
    void finishNow();

    // How long a turn may run before it ends after its paragraph (3 ms unless changed).
    void setTurnLength(int microseconds) { m_turnNs = qint64(microseconds) * 1000; }
    // The longest the window thread waited for one turn of the last stream, milliseconds.
    double longestTurnMs() const { return m_longestTurnMs; }

signals:
    void finished(const QByteArray &rtf);
    // The document changed or went away between turns, or the writing failed.
    void abandoned();

private:
    enum class Turn { Window, Worker };
    // Window thread: one turn of the worker, then the outcome when it is done.
    void takeTurn();
    // Window thread: lets the worker run until it hands the turn back; true when it is done.
    bool runWorkerTurn();
    void join();
    // Worker thread.
    void write();
    bool pauseIfTurnIsOver();

    QPointer<QTextDocument> m_document;
    int m_revision = -1;
    QTimer m_nextTurn;
    std::thread m_worker;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Turn m_turn = Turn::Window;      // guarded by m_mutex
    bool m_abandon = false;          // guarded by m_mutex
    bool m_done = false;             // guarded by m_mutex
    qint64 m_turnStartNs = 0;        // set by the window before the worker's turn
    qint64 m_turnNs = 3'000'000;
    QByteArray m_rtf;                // the worker's output, read once it is done
    bool m_ok = false;
    double m_longestTurnMs = 0;
};
