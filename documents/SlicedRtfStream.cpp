#include "documents/SlicedRtfStream.h"

#include "rtf/Rtf.h"

#include <QElapsedTimer>

#include <chrono>

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

SlicedRtfStream::SlicedRtfStream(QObject *parent) : QObject(parent)
{
    m_nextTurn.setSingleShot(true);
    m_nextTurn.setInterval(0);
    connect(&m_nextTurn, &QTimer::timeout, this, &SlicedRtfStream::takeTurn);
}

SlicedRtfStream::~SlicedRtfStream()
{
    cancel();
}

void SlicedRtfStream::start(QTextDocument *document)
{
    cancel();
    m_document = document;
    m_revision = document->revision();
    m_rtf.clear();
    m_ok = false;
    m_longestTurnMs = 0;
    m_turn = Turn::Window;
    m_abandon = false;
    m_done = false;
    m_worker = std::thread([this] { write(); });
    m_nextTurn.start();
}

void SlicedRtfStream::cancel()
{
    m_nextTurn.stop();
    if (!isRunning())
        return;
    {
        // The worker is waiting for its turn: it wakes up only to give up, without touching
        // the document again.
        std::unique_lock lock(m_mutex);
        m_abandon = true;
        m_turn = Turn::Worker;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_done; });
    }
    join();
}

void SlicedRtfStream::finishNow()
{
    while (isRunning())
        takeTurn();
}

void SlicedRtfStream::takeTurn()
{
    if (!isRunning())
        return;
    if (!m_document || m_document->revision() != m_revision) {
        cancel();
        emit abandoned();
        return;
    }
    if (!runWorkerTurn()) {
        m_nextTurn.start();
        return;
    }
    join();
    if (m_ok)
        emit finished(m_rtf);
    else
        emit abandoned();
}

bool SlicedRtfStream::runWorkerTurn()
{
    QElapsedTimer waited;
    waited.start();
    std::unique_lock lock(m_mutex);
    m_turnStartNs = nowNs();
    m_turn = Turn::Worker;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_turn == Turn::Window; });
    m_longestTurnMs = qMax(m_longestTurnMs, waited.nsecsElapsed() / 1e6);
    return m_done;
}

void SlicedRtfStream::join()
{
    if (m_worker.joinable())
        m_worker.join();
}

// ---- the worker's thread ------------------------------------------------------------------

void SlicedRtfStream::write()
{
    QByteArray rtf;
    bool ok = false;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_turn == Turn::Worker; });
    }
    if (!m_abandon) {
        rtf::WriteOptions options;
        options.paragraphDone = [this] { return pauseIfTurnIsOver(); };
        const auto sink = [&rtf](const char *data, qint64 length) {
            rtf.append(data, length);
            return true;
        };
        ok = rtf::writeRtf(*m_document, 0, -1, sink, options);
    }
    std::unique_lock lock(m_mutex);
    m_rtf = std::move(rtf);
    m_ok = ok && !m_abandon;
    m_done = true;
    m_turn = Turn::Window;
    m_changed.notify_all();
}

bool SlicedRtfStream::pauseIfTurnIsOver()
{
    if (nowNs() - m_turnStartNs < m_turnNs)
        return true;
    std::unique_lock lock(m_mutex);
    m_turn = Turn::Window;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_turn == Turn::Worker; });
    return !m_abandon;
}
