#include "opos/ReadAheadLines.h"

#include "opos/FilePrintLines.h"

#include <QIODevice>

namespace {

// How far the reader goes ahead: a bounded memory whatever the file, while the consumer takes
// many lines per lock.
constexpr std::size_t kMaxLinesAhead = 4096;
constexpr qsizetype kMaxCharactersAhead = 1024 * 1024;
// A line still without its end after this many bytes is a long one: the consumer goes on with
// other work until it is there instead of waiting.
constexpr qsizetype kLongLineBytes = 256 * 1024;

// Ends the reading inside a long line once the reader is no longer wanted.
struct StopReading
{};

} // namespace

ReadAheadLines::ReadAheadLines(QIODevice& device, std::function<void()> arrived)
    : m_arrived(std::move(arrived)), m_thread([this, &device] { read(device); })
{}

ReadAheadLines::~ReadAheadLines()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
}

void ReadAheadLines::read(QIODevice& device)
{
    try {
        TextFileLines lines(device);
        lines.setLongLineWatch(kLongLineBytes, [this] {
            {
                const std::lock_guard lock(m_mutex);
                if (m_stop)
                    throw StopReading();
                if (m_longLine)
                    return;
                m_longLine = true;
            }
            m_changed.notify_all();
        });
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] {
                    return m_stop ||
                           (m_lines.size() < kMaxLinesAhead && m_characters < kMaxCharactersAhead);
                });
                if (m_stop)
                    return;
            }
            std::optional<QString> line = lines.next();
            if (!line)
                break;
            line->reserve(line->size() + 1);
            bool arrival = false;
            {
                const std::lock_guard lock(m_mutex);
                m_characters += line->size();
                m_lines.push_back(std::move(*line));
                m_longLine = false;
                arrival = std::exchange(m_owedArrival, false);
            }
            m_changed.notify_all();
            if (arrival)
                m_arrived();
        }
        finish(nullptr);
    } catch (const StopReading&) {
        // Nobody takes the rest.
    } catch (...) {
        finish(std::current_exception());
    }
}

void ReadAheadLines::finish(std::exception_ptr failure)
{
    bool arrival = false;
    {
        const std::lock_guard lock(m_mutex);
        m_end = true;
        m_failure = std::move(failure);
        m_longLine = false;
        arrival = std::exchange(m_owedArrival, false);
    }
    m_changed.notify_all();
    if (arrival)
        m_arrived();
}

ReadAheadLines::Next ReadAheadLines::take()
{
    if (m_taken.empty()) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_lines.empty() || m_end || m_longLine; });
        if (!m_lines.empty()) {
            m_taken.swap(m_lines);
            m_characters = 0;
            lock.unlock();
            m_changed.notify_all();
        } else if (m_failure) {
            std::rethrow_exception(m_failure);
        } else if (m_end) {
            return {};
        } else {
            m_owedArrival = true;
            return {Kind::Later, {}};
        }
    }
    Next next{Kind::Line, std::move(m_taken.front())};
    m_taken.pop_front();
    return next;
}

bool ReadAheadLines::ready()
{
    if (!m_taken.empty())
        return true;
    const std::lock_guard lock(m_mutex);
    return !m_lines.empty() || m_end;
}
