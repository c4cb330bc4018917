#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

// What the status bar says about the printer between file jobs: how the user's last call went
// when that is worth saying (a failure with its reason, a property write), kept only while it
// still holds. The next successful call replaces it, and a status change that ends the reported
// condition (the cover closed, paper loaded, power back) clears it.
class StatusNote : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusNote)

public:
    explicit StatusNote(QObject* parent = nullptr);

    QString text() const { return m_text; }

    // A call that failed with code (the extended code after OPOS_E_EXTENDED).
    void failed(const QString& text, int32_t code);
    // A call that succeeded: says text, which may be empty.
    void succeeded(const QString& text = {});
    // A StatusUpdateEvent's data.
    void statusUpdated(int32_t data);

signals:
    void changed();

private:
    void show(const QString& text, int32_t code);

    QString m_text;
    int32_t m_code = 0;
};
