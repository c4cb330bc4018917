#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

// The face of a vacuum-fluorescent line display: bright glyphs in character cells on a dark
// glass. Reverse video swaps glyph and cell; blinking text blinks.
class VirtualDevicesDisplayView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualDevicesDisplayView)

public:
    explicit VirtualDevicesDisplayView(QWidget* parent = nullptr);

    void setContent(const QStringList& rows, int32_t attribute);
    QStringList rows() const { return m_rows; }
    int32_t attribute() const { return m_attribute; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize cellSize() const;
    int columns() const;

    QFont m_font;
    QStringList m_rows;
    int32_t m_attribute = 0;
    QTimer m_blink;
    bool m_blinkOff = false;
};
