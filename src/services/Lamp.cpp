#include "services/Lamp.h"

#include <QPainter>

Lamp::Lamp(QWidget* parent) : QWidget(parent) {}

void Lamp::SetFillColor(const QColor& colour)
{
    if (colour == m_fill)
        return;
    m_fill = colour;
    update();
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(m_fill);
    painter.drawEllipse(rect().adjusted(1, 1, -1, -1));
}
