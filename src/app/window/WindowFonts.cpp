#include "app/window/WindowFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

QFont font(const QStringList& families, qreal points, bool bold)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QStringList sansSerif(const QString& designed)
{
    return {designed, QStringLiteral("Microsoft Sans Serif"), QStringLiteral("DejaVu Sans"),
            QStringLiteral("Liberation Sans")};
}

} // namespace

QStringList firstInstalledOf(const QStringList& families)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : families)
        if (installed.contains(family, Qt::CaseInsensitive))
            return {family};
    return families;
}

WindowFonts WindowFonts::make()
{
    const QStringList standard = firstInstalledOf(sansSerif(QStringLiteral("MS Sans Serif")));
    const QStringList impact =
        firstInstalledOf({QStringLiteral("Impact"), QStringLiteral("DejaVu Sans Condensed"),
                          QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    return {font(standard, 9.75, true), font(standard, 8.25, true), font(impact, 18, false),
            font(standard, 13.5, true), font(standard, 8.25, false)};
}
