#include "app/window/PowerStatusField.h"

#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"

#include <QLabel>
#include <QStatusBar>
#include <exception>

QString powerStateText(int32_t powerState)
{
    switch (powerState) {
    case opos::OPOS_PS_ONLINE:
        return QStringLiteral("on");
    case opos::OPOS_PS_OFF:
        return QStringLiteral("off");
    case opos::OPOS_PS_OFFLINE:
        return QStringLiteral("offline");
    case opos::OPOS_PS_OFF_OFFLINE:
        return QStringLiteral("off or offline");
    default:
        return QStringLiteral("unknown");
    }
}

PowerStatusField::PowerStatusField(QStatusBar& bar, const opos::PosPrinter& printer,
                                   QObject* parent)
    : QObject(parent), m_printer(printer), m_field(new QLabel(&bar))
{
    m_field->setObjectName(QStringLiteral("lblPower"));
    m_field->setFrameShape(QFrame::StyledPanel);
    // Wide enough for its longest text, so that a change never moves the fields beside it.
    m_field->setMinimumWidth(
        m_field->fontMetrics().horizontalAdvance(QStringLiteral("Power: off or offline")) +
        2 * m_field->frameWidth() + 8);
    // On the right, left of the fields added after it.
    bar.addPermanentWidget(m_field);
    m_field->hide();
    // The power events carry the same values as PowerState.
    connect(&printer, &opos::PosPrinter::StatusUpdateEvent, this, [this](int32_t data) {
        if (data >= opos::OPOS_SUE_POWER_ONLINE && data <= opos::OPOS_SUE_POWER_OFF_OFFLINE)
            show(data);
    });
    refresh();
}

void PowerStatusField::refresh()
{
    try {
        if (m_printer.State() == opos::OPOS_S_CLOSED) {
            m_field->hide();
            return;
        }
        show(m_printer.GetPropertyNumber(QStringLiteral("PowerState")));
    } catch (const std::exception&) {
        show(opos::OPOS_PS_UNKNOWN); // a field has nothing to say about a printer it cannot read
    }
}

void PowerStatusField::show(int32_t powerState)
{
    m_field->setText(QStringLiteral("Power: %1").arg(powerStateText(powerState)));
    m_field->setToolTip(
        powerState == opos::OPOS_PS_UNKNOWN
            ? QStringLiteral("The printer reports its power while it is enabled with PowerNotify "
                             "set to 1 (OPOS_PN_ENABLED) before enabling.")
            : QStringLiteral("The printer's PowerState"));
    m_field->show();
}
