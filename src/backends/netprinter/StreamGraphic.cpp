#include "backends/netprinter/StreamGraphic.h"

namespace netprinter {

namespace {

constexpr qsizetype kShownData = 40;

QString shownData(const QByteArray& data)
{
    QString text = QString::fromLatin1(data.left(kShownData));
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'.';
    if (data.size() > kShownData)
        text += QStringLiteral("…");
    return text;
}

} // namespace

std::vector<opos::PrintSegment> placeholderSegments(const StreamGraphic& request)
{
    QString text;
    switch (request.kind) {
    case StreamGraphic::Kind::Barcode:
        text = QStringLiteral("[%1] %2").arg(request.symbology, shownData(request.data));
        break;
    case StreamGraphic::Kind::QrCode:
        text = QStringLiteral("[QR code] ") + shownData(request.data);
        break;
    case StreamGraphic::Kind::Pdf417:
        text = QStringLiteral("[PDF417] ") + shownData(request.data);
        break;
    case StreamGraphic::Kind::Image:
        text = QStringLiteral("[image %1x%2]").arg(request.width).arg(request.height);
        break;
    }
    opos::PrintSegment line;
    line.kind = opos::PrintSegment::Kind::Text;
    line.text = text.trimmed();
    line.style.align = request.align;
    opos::PrintSegment end;
    end.kind = opos::PrintSegment::Kind::NewLine;
    end.style = line.style;
    return {line, end};
}

} // namespace netprinter
