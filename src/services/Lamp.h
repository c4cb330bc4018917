#pragma once

#include <QColor>
#include <QWidget>

// A round status lamp: a solid fill inside a 2-pixel border.
class Lamp : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Lamp)

public:
    explicit Lamp(QWidget* parent = nullptr);

    QColor FillColor() const { return m_fill; }
    void SetFillColor(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill = Qt::white;
};
