#include "services/PrinterListModel.h"

#include "services/RecordStore.h"

#include <QTimer>
#include <stdexcept>

namespace {
// New items and the selection reach the views at most once per frame.
constexpr int kListPublishDelayMs = 16;

// An item keeps at most this many characters of its text and ends in an ellipsis when cut, so
// that painting the list never shapes a text of megabytes.
constexpr qsizetype kLongestItem = 1000;

// What an item keeps of its text, in UTF-8.
QByteArray shown(QStringView text)
{
    if (text.size() <= kLongestItem)
        return text.toUtf8();
    qsizetype kept = kLongestItem;
    if (text.at(kept - 1).isHighSurrogate())
        --kept;                                        // never split a character in two
    return text.first(kept).toUtf8() + "\xE2\x80\xA6"; // …
}

// An item whose bytes could not be read back says so, and why, instead of showing empty.
QString itemText(const RecordStore& items, std::size_t index)
{
    QString lost;
    const QByteArray bytes = items.at(index, &lost);
    return lost.isEmpty() ? QString::fromUtf8(bytes) : QStringLiteral("(line lost: %1)").arg(lost);
}
} // namespace

class PrinterListModel::Impl
{
public:
    Impl()
    {
        publishTimer.setSingleShot(true);
        publishTimer.setInterval(kListPublishDelayMs);
    }

    int count() const { return int(items.size()); }

    void schedulePublish()
    {
        if (!publishTimer.isActive())
            publishTimer.start();
    }

    RecordStore items; // UTF-8
    int published = 0;
    int listIndex = -1;
    bool indexPending = false;
    QTimer publishTimer;
};

PrinterListModel::PrinterListModel(QObject* parent)
    : QAbstractListModel(parent), d(std::make_unique<Impl>())
{
    connect(&d->publishTimer, &QTimer::timeout, this, [this] { flush(); });
}

PrinterListModel::~PrinterListModel() = default;

void PrinterListModel::AddItem(QStringView text)
{
    d->items.append(shown(text));
    d->schedulePublish();
}

void PrinterListModel::Clear()
{
    d->publishTimer.stop();
    beginResetModel();
    d->items.clear();
    d->published = 0;
    d->listIndex = -1;
    d->indexPending = false;
    endResetModel();
    emit listIndexChanged(-1);
}

int PrinterListModel::ListCount() const
{
    return d->count();
}

QString PrinterListModel::List(int index) const
{
    if (index < 0 || index >= d->count())
        throw std::out_of_range("Invalid property array index");
    return itemText(d->items, std::size_t(index));
}

int PrinterListModel::ListIndex() const
{
    return d->listIndex;
}

void PrinterListModel::SetListIndex(int index)
{
    if (index < -1 || index >= d->count())
        throw std::out_of_range("Invalid property value");
    if (index == d->listIndex)
        return;
    d->listIndex = index;
    d->indexPending = true;
    d->schedulePublish();
}

int PrinterListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : d->published;
}

QVariant PrinterListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    // An escape character shows as its symbol; the item keeps the text that was sent.
    QString text = itemText(d->items, std::size_t(index.row()));
    return text.contains(QChar(0x1b)) ? text.replace(QChar(0x1b), QChar(0x241b)) : text;
}

void PrinterListModel::flush()
{
    d->publishTimer.stop();
    if (d->count() > d->published) {
        beginInsertRows({}, d->published, d->count() - 1);
        d->published = d->count();
        endInsertRows();
    }
    if (d->indexPending) {
        d->indexPending = false;
        emit listIndexChanged(d->listIndex);
    }
}
