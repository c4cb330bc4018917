#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class QIODevice;

// Reads a text file's lines (see TextFileLines) on a thread of its own, a bounded stretch ahead
// of the job that prints them, so that reading and decoding a line of megabytes never holds up
// the job's thread. A line is handed out with room for one more character, so that the job can
// end it with LF in place.
class ReadAheadLines
{
public:
    enum class Kind
    {
        Line,  // the next line
        Later, // the next line is a long one, still being read: arrived() says when it is there
        End    // the file has no more lines
    };
    struct Next
    {
        Kind kind = Kind::End;
        QString line;
    };

    // device: opened for reading, used by the reader's thread alone until this object is gone.
    // arrived: called on the reader's thread once a line (or the end) is there that take()
    // answered Later for.
    ReadAheadLines(QIODevice& device, std::function<void()> arrived);
    ~ReadAheadLines(); // stops the reader and waits for it
    ReadAheadLines(const ReadAheadLines&) = delete;
    ReadAheadLines& operator=(const ReadAheadLines&) = delete;

    // The next line. Waits while a line of ordinary length is read, so that lines come out in
    // the same turns as when read in place; answers Later for a long one. A read failure is
    // thrown here, after the lines read before it.
    Next take();
    // True when take() would answer at once with a line, the end or a failure.
    bool ready();

private:
    void read(QIODevice& device);
    void finish(std::exception_ptr failure);

    std::function<void()> m_arrived;
    std::deque<QString> m_taken; // the consumer's batch: no lock needed

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QString> m_lines; // read, not yet taken
    qsizetype m_characters = 0;  // in m_lines
    bool m_end = false;
    std::exception_ptr m_failure;
    bool m_longLine = false;    // the reader is inside a long line
    bool m_owedArrival = false; // take() answered Later: arrived() is due
    bool m_stop = false;
    std::jthread m_thread; // last: started once the rest exists, joined before it goes
};
