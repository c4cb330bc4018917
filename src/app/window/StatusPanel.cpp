#include "app/dialogs/EscapeMarks.h"
#include "app/pages/FormBuilder.h"
#include "app/pages/PrinterListView.h"
#include "app/pages/Twips.h"
#include "app/window/frmMainPages.h"
#include "services/Lamp.h"

#include <QFrame>
#include <QGroupBox>

namespace {

constexpr int kLineWidth = 3;

// A line of the status box from (x1, y1) to (x2, y2) in twips, horizontal or vertical.
void line(QWidget* parent, const char* name, int x1, int y1, int x2, int y2)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(kLineWidth);
    const QPoint from(twipsToPixels(x1), twipsToPixels(y1));
    const QPoint to(twipsToPixels(x2), twipsToPixels(y2));
    const int half = kLineWidth / 2;
    if (y1 == y2) {
        line->setFrameShape(QFrame::HLine);
        line->setGeometry(from.x() - half, from.y() - half, to.x() - from.x() + kLineWidth,
                          kLineWidth);
    } else {
        line->setFrameShape(QFrame::VLine);
        line->setGeometry(from.x() - half, from.y() - half, kLineWidth,
                          to.y() - from.y() + kLineWidth);
    }
}

void lamp(QWidget* parent, const char* name, const QRect& rect)
{
    auto* lamp = new Lamp(parent);
    lamp->setObjectName(QString::fromLatin1(name));
    lamp->setGeometry(rect);
}

} // namespace

// The printed-lines list on top; under it a box of lines holding the service state, the
// open and claim indicators, and three cells with a lamp each.
void buildStatusPanel(const FormBuilder& form, QGroupBox* frame, PrinterListModel& list)
{
    auto* listView = new PrinterListView(list, frame);
    listView->setObjectName(QStringLiteral("lstPrinter"));
    listView->setFont(form.fonts().controls);
    listView->setGeometry(twipsRect(240, 240, 5115, 3420));
    listView->setItemDelegate(new EscapeTextDelegate(listView));

    form.label(frame, "Label2", QStringLiteral("SERVICE OBJECT STATE"),
               twipsRect(390, 4260, 4815, 300));
    form.borderedLabel(frame, "lblServiceState", twipsRect(390, 4590, 4815, 405));
    form.label(frame, "Label3", QStringLiteral("ADDITIONAL INFORMATIONs"),
               twipsRect(390, 5160, 4815, 300));
    form.borderedLabel(frame, "lblStatus", twipsRect(390, 5520, 2325, 405));
    form.borderedLabel(frame, "lblAdditional", twipsRect(2880, 5520, 2325, 405));

    form.label(frame, "Label4", QStringLiteral("PRINTING"), twipsRect(420, 6480, 1365, 405),
               Qt::AlignCenter);
    lamp(frame, "shpPrinting", twipsRect(1410, 7200, 405, 405));
    form.label(frame, "Label5", QStringLiteral("PAPER"), twipsRect(2160, 6480, 1365, 405),
               Qt::AlignCenter);
    lamp(frame, "shpPaper", twipsRect(3180, 7200, 405, 405));
    form.label(frame, "Label6", QStringLiteral("COVER"), twipsRect(3930, 6480, 1365, 405),
               Qt::AlignCenter);
    lamp(frame, "shpCover", twipsRect(4890, 7200, 405, 405));

    line(frame, "Line1", 210, 4020, 5400, 4020);
    line(frame, "Line2", 5400, 4020, 5400, 7710);
    line(frame, "Line3", 210, 7710, 5400, 7710);
    line(frame, "Line4", 210, 4020, 210, 7710);
    line(frame, "Line5", 210, 6210, 5370, 6210);
    line(frame, "Line6", 1950, 6210, 1950, 7710);
    line(frame, "Line7", 3720, 6210, 3720, 7710);
}
