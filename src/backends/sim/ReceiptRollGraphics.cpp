#include "backends/sim/ReceiptRoll.h"
#include "opos/OposConstants.h"

namespace sim {

namespace {

// Dots of paper feed per printed line, for the output speed.
constexpr int kDotsPerLine = 30;
constexpr int kDotsPerColumn = 12;

} // namespace

ReceiptRoll::Motion ReceiptRoll::addPicture(std::shared_ptr<const opos::DotImage> picture, int left)
{
    Motion motion = endLine(false);
    if (!picture || picture->isNull())
        return motion;
    ReceiptItem item;
    item.kind = ReceiptItem::Kind::Picture;
    item.left = std::max(left, 0);
    motion.lines += (picture->height + kDotsPerLine - 1) / kDotsPerLine;
    item.picture = std::move(picture);
    push(std::move(item));
    return motion;
}

ReceiptRoll::Motion ReceiptRoll::addGraphic(const opos::GraphicRequest& request, int lineChars)
{
    Motion motion = endLine(false);
    const bool text =
        request.kind == opos::GraphicRequest::Kind::BarCode && !request.readableText.isEmpty();
    if (text && request.textPosition == opos::PTR_BC_TEXT_ABOVE)
        addReadableText(request, lineChars, motion);
    const Motion picture = addPicture(request.image, request.placement.left);
    motion.lines += picture.lines;
    if (text && request.textPosition == opos::PTR_BC_TEXT_BELOW)
        addReadableText(request, lineChars, motion);
    return motion;
}

// The readable text goes where the symbol goes: centred under a centred symbol, and so on.
void ReceiptRoll::addReadableText(const opos::GraphicRequest& request, int lineChars,
                                  Motion& motion)
{
    opos::TextStyle style;
    QString text = request.readableText;
    switch (request.placement.align) {
    case opos::Placement::Align::Centre:
        style.align = opos::Alignment::Centre;
        break;
    case opos::Placement::Align::Right:
        style.align = opos::Alignment::Right;
        break;
    case opos::Placement::Align::At:
        text.prepend(QString(request.placement.left / kDotsPerColumn, QLatin1Char(' ')));
        break;
    case opos::Placement::Align::Left:
        break;
    }
    const Motion printed = add({opos::PrintSegment::Kind::Text, text, 0, style}, lineChars, 0);
    const Motion ended = add({opos::PrintSegment::Kind::NewLine, {}, 0, style}, lineChars, 0);
    motion.lines += printed.lines + ended.lines;
}

} // namespace sim
