#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A long, append-only list of byte records, for the window's lists that grow for hours: records
// are packed into 64 KB pages, and all but the newest few pages move to a nameless temporary
// file, so that ten million records cost a few megabytes of memory. A record is read back from
// its page (one page read from the file when it is not in memory); reading neighbouring records
// in order, as a view painting its rows does, costs no more than appending them did.
//
// When the file cannot be made or written, pages simply stay in memory: nothing is lost. When a
// page cannot be read back from the file, its records come back empty with the reason.
//
// Threads: a store belongs to one thread at a time; no call is safe beside another on a second
// thread, the const ones included (at() moves a read cursor and keeps the page it read). The
// window's models use their stores on the GUI thread only.
class RecordStore
{
public:
    // Opens the file pages move to (read and write): a descriptor, or -1 when it cannot.
    using FileOpener = std::function<int()>;

    // By default pages move to a nameless file in temporaryFolder().
    explicit RecordStore(FileOpener openFile = {});
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    void append(QByteArrayView record);
    // The record at `index` (empty past the end). A record whose page cannot be read back comes
    // back empty, and *lost, when given, says why; *lost is emptied otherwise.
    QByteArray at(std::size_t index, QString* lost = nullptr) const;
    std::size_t size() const { return m_size; }
    void truncate(std::size_t size); // drops the records from index `size` on
    void clear();

    // Bytes of pages held in memory, and whether pages have moved to the file.
    std::size_t residentBytes() const;
    bool spilled() const { return m_firstResident > 0; }

    // TMPDIR when it names a folder, the system's temporary folder otherwise.
    static QString temporaryFolder();

private:
    struct Page
    {
        std::size_t first = 0; // index of its first record
        uint32_t bytes = 0;    // used
        uint32_t capacity = 0; // of data, while in memory
        int64_t fileOffset = -1;
        std::unique_ptr<char[]> data; // null while only in the file
    };
    // Where reading in order last stopped: the next record of a page starts at `offset`.
    struct Cursor
    {
        std::size_t page = SIZE_MAX;
        std::size_t index = 0;
        uint32_t offset = 0;
    };

    const char* pageData(std::size_t page, QString* lost) const;
    QString readPage(const Page& page, char* into) const; // the reason it failed, or nothing
    std::size_t pageOf(std::size_t index) const;
    void spillOldPages();
    bool writeToFile(Page& page);
    void resetReading() const;

    std::vector<Page> m_pages;
    std::size_t m_size = 0;
    std::size_t m_firstResident = 0; // pages before it are only in the file
    FileOpener m_openFile;
    int m_fd = -1;
    int64_t m_fileEnd = 0;
    bool m_fileFailed = false;

    // A page read back from the file, kept for the next records asked for.
    mutable std::size_t m_loadedPage = SIZE_MAX;
    mutable std::vector<char> m_loaded;
    mutable Cursor m_cursor;
};
