#include "services/RecordStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr uint32_t kPageBytes = 64 * 1024;
// The newest pages stay in memory besides the one being filled: appending and showing the end
// of the list never touch the file.
constexpr std::size_t kResidentPages = 8;

// Record lengths are stored in front of each record, 7 bits to a byte.
uint32_t lengthBytes(std::size_t length)
{
    uint32_t bytes = 1;
    while (length >= 0x80) {
        length >>= 7;
        ++bytes;
    }
    return bytes;
}

char* putLength(char* out, std::size_t length)
{
    while (length >= 0x80) {
        *out++ = char(uint8_t(length | 0x80));
        length >>= 7;
    }
    *out++ = char(uint8_t(length));
    return out;
}

const char* getLength(const char* in, std::size_t& length)
{
    length = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = uint8_t(*in++);
        length |= std::size_t(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            return in;
    }
}

// Where the record `count` records after the one at `at` starts.
const char* skipRecords(const char* at, std::size_t count)
{
    std::size_t length = 0;
    for (; count > 0; --count)
        at = getLength(at, length) + length;
    return at;
}

// An unlinked file in the temporary folder: it is gone when the process is, however it ends.
int makeNamelessFile()
{
    QByteArray path =
        QFile::encodeName(RecordStore::temporaryFolder()) + "/opos-printer-test-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd >= 0)
        ::unlink(path.constData());
    return fd;
}

// Moves all bytes with pread or pwrite, through interruptions and short transfers. Answers 0,
// or why not: the errno value, or kEnded when the file ended first.
constexpr int kEnded = -1;
template <typename Transfer, typename Bytes>
int transferAll(Transfer transfer, int fd, Bytes* data, std::size_t bytes, int64_t offset)
{
    while (bytes > 0) {
        const ssize_t done = transfer(fd, data, bytes, off_t(offset));
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            return errno;
        if (done == 0)
            return kEnded;
        data += done;
        bytes -= std::size_t(done);
        offset += done;
    }
    return 0;
}

bool writeAll(int fd, const char* data, std::size_t bytes, int64_t offset)
{
    return transferAll(::pwrite, fd, data, bytes, offset) == 0;
}

int readAll(int fd, char* data, std::size_t bytes, int64_t offset)
{
    return transferAll(::pread, fd, data, bytes, offset);
}

} // namespace

RecordStore::RecordStore(FileOpener openFile)
    : m_openFile(openFile ? std::move(openFile) : FileOpener(makeNamelessFile))
{}

RecordStore::~RecordStore()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void RecordStore::append(QByteArrayView record)
{
    const auto length = std::size_t(record.size());
    const uint32_t needed = lengthBytes(length) + uint32_t(length);
    // A page left in the file is never filled again.
    if (m_pages.empty() || !m_pages.back().data ||
        m_pages.back().capacity - m_pages.back().bytes < needed) {
        Page page;
        page.first = m_size;
        page.capacity = std::max(kPageBytes, needed); // a long record gets a page of its own size
        page.data = std::make_unique<char[]>(page.capacity);
        m_pages.push_back(std::move(page));
        spillOldPages();
    }
    Page& page = m_pages.back();
    char* out = putLength(page.data.get() + page.bytes, length);
    if (length > 0) // an empty view may have no data at all
        std::memcpy(out, record.data(), length);
    page.bytes += needed;
    ++m_size;
}

QByteArray RecordStore::at(std::size_t index, QString* lost) const
{
    if (lost)
        lost->clear();
    if (index >= m_size)
        return {};
    const std::size_t page = pageOf(index);
    const char* data = pageData(page, lost);
    if (!data)
        return {};
    if (m_cursor.page != page || m_cursor.index > index)
        m_cursor = {page, m_pages[page].first, 0};
    std::size_t length = 0;
    const char* at = getLength(skipRecords(data + m_cursor.offset, index - m_cursor.index), length);
    m_cursor = {page, index + 1, uint32_t(at + length - data)};
    return QByteArray(at, qsizetype(length));
}

void RecordStore::truncate(std::size_t size)
{
    if (size >= m_size)
        return;
    if (size == 0) {
        clear();
        return;
    }
    resetReading();
    const std::size_t last = pageOf(size - 1);
    m_pages.resize(last + 1);
    m_size = size;
    Page& page = m_pages[last];
    if (!page.data) {
        // The page is filled again from here: bring it back to memory. One that cannot be read
        // stays in the file, its records lost as before, and the next record starts a page.
        auto data = std::make_unique<char[]>(std::max(kPageBytes, page.bytes));
        if (!readPage(page, data.get()).isEmpty()) {
            m_firstResident = last + 1;
            return;
        }
        page.capacity = std::max(kPageBytes, page.bytes);
        page.data = std::move(data);
        page.fileOffset = -1;
        m_firstResident = last;
    }
    page.bytes = uint32_t(skipRecords(page.data.get(), size - page.first) - page.data.get());
}

void RecordStore::clear()
{
    resetReading();
    m_pages.clear();
    m_size = 0;
    m_firstResident = 0;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_fileEnd = 0;
    m_fileFailed = false;
}

std::size_t RecordStore::residentBytes() const
{
    std::size_t bytes = m_loaded.capacity();
    for (std::size_t page = m_firstResident; page < m_pages.size(); ++page)
        bytes += m_pages[page].data ? m_pages[page].capacity : 0;
    return bytes;
}

const char* RecordStore::pageData(std::size_t index, QString* lost) const
{
    const Page& page = m_pages[index];
    if (page.data)
        return page.data.get();
    if (m_loadedPage != index) {
        m_loaded.resize(page.bytes);
        m_loadedPage = SIZE_MAX;
        m_cursor = {};
        const QString failure = readPage(page, m_loaded.data());
        if (!failure.isEmpty()) {
            if (lost)
                *lost = failure;
            return nullptr;
        }
        m_loadedPage = index;
    }
    return m_loaded.data();
}

QString RecordStore::readPage(const Page& page, char* into) const
{
    const int error = readAll(m_fd, into, page.bytes, page.fileOffset);
    if (error == 0)
        return {};
    return QStringLiteral("the temporary file could not be read back (%1)")
        .arg(error == kEnded ? QStringLiteral("it is shorter than what was written to it")
                             : qt_error_string(error));
}

std::size_t RecordStore::pageOf(std::size_t index) const
{
    const auto after =
        std::upper_bound(m_pages.begin(), m_pages.end(), index,
                         [](std::size_t i, const Page& page) { return i < page.first; });
    return std::size_t(after - m_pages.begin()) - 1;
}

void RecordStore::spillOldPages()
{
    while (!m_fileFailed && m_pages.size() - 1 - m_firstResident > kResidentPages) {
        if (!writeToFile(m_pages[m_firstResident])) {
            m_fileFailed = true; // keep every page in memory from now on
            return;
        }
        ++m_firstResident;
    }
}

bool RecordStore::writeToFile(Page& page)
{
    if (m_fd < 0) {
        m_fd = m_openFile();
        if (m_fd < 0)
            return false;
    }
    if (!writeAll(m_fd, page.data.get(), page.bytes, m_fileEnd))
        return false;
    page.fileOffset = m_fileEnd;
    m_fileEnd += page.bytes;
    page.data.reset();
    page.capacity = 0;
    return true;
}

QString RecordStore::temporaryFolder()
{
    // QDir::tempPath() is empty when TMPDIR names a folder that does not exist.
    const QString folder = QDir::tempPath();
    return folder.isEmpty() || !QFileInfo(folder).isDir() ? QStringLiteral(P_tmpdir) : folder;
}

void RecordStore::resetReading() const
{
    m_loadedPage = SIZE_MAX;
    m_cursor = {};
}
