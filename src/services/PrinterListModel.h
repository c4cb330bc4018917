#pragma once

#include <QAbstractListModel>
#include <QString>
#include <memory>

// The items of lstPrinter: text lines in order, one selected (ListIndex, -1 = none). Appending
// and selecting the last item costs the same at item 10 and at item 1,000,000; views learn of
// new items at most once per frame. An item shows at most the first 1,000 characters of the
// text it was given, followed by "…" when the text was longer.
class PrinterListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrinterListModel)

public:
    explicit PrinterListModel(QObject* parent = nullptr);
    ~PrinterListModel() override;

    void AddItem(QStringView text);
    void Clear();
    int ListCount() const;
    QString List(int index) const;
    int ListIndex() const;
    void SetListIndex(int index);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void flush();

signals:
    void listIndexChanged(int index);

private:
    class Impl;
    std::unique_ptr<Impl> d;
};
