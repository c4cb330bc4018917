#include "support/ReceiptDecoder.h"

#include <QPainter>
#include <ReadBarcode.h>

std::vector<DecodedSymbol> decodeSymbols(const QImage& picture)
{
    constexpr int kMargin = 40;
    QImage paper(picture.width() + 2 * kMargin, picture.height() + 2 * kMargin,
                 QImage::Format_Grayscale8);
    paper.fill(Qt::white);
    {
        QPainter painter(&paper);
        painter.drawImage(kMargin, kMargin, picture);
    }
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setReturnCodabarStartEnd(true);
    const ZXing::ImageView view(paper.constBits(), paper.width(), paper.height(),
                                ZXing::ImageFormat::Lum, int(paper.bytesPerLine()));
    // Linear and 2D symbols are looked for apart, and one linear symbol a picture: this ZXing
    // trips over an assertion when it sorts out duplicate linear finds among text lines.
    std::vector<DecodedSymbol> found;
    for (const auto formats :
         {ZXing::BarcodeFormat::LinearCodes, ZXing::BarcodeFormat::MatrixCodes}) {
        hints.setFormats(formats);
        hints.setMaxNumberOfSymbols(formats == ZXing::BarcodeFormat::LinearCodes ? 1 : 255);
        for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints))
            found.push_back({QString::fromLatin1(ZXing::ToString(result.format())),
                             QString::fromStdString(result.text())});
    }
    return found;
}
