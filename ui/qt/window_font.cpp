// SPDX-License-Identifier: MIT
#include "ui/qt/window_font.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>

namespace mrfyc {

namespace {

// IPAPGothic, installed with the program, has the metrics of ＭＳ Ｐゴシック and comes first: a
// family that is missing costs a fontconfig search every time the font is resolved.
constexpr QLatin1StringView kInstalledFace("IPAPGothic");

// The window font's families, in the order they are tried when IPAPGothic is missing: ＭＳ
// Ｐゴシック itself, other Japanese sans-serif faces, and whatever sans-serif fontconfig offers,
// with Qt's fallback for the glyphs.
QStringList FamiliesWithoutInstalledFace()
{
    return {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAexGothic"),
            QStringLiteral("Noto Sans CJK JP"), QStringLiteral("sans-serif")};
}

// Named alone, IPAPGothic has its fallbacks looked up only for a character it lacks; every family
// named after the first makes Qt ask fontconfig for fallbacks once for each script of the text as
// soon as it is laid out, which at start-up costs more than the rest of the window's text.
QStringList WindowFamilies()
{
    static const QStringList families = [] {
        if (QFontDatabase::families().contains(kInstalledFace))
            return QStringList{kInstalledFace};
        return QStringList{kInstalledFace} + FamiliesWithoutInstalledFace();
    }();
    return families;
}

} // namespace

QFont WindowFont(int fontHeight)
{
    QFont font;
    font.setFamilies(WindowFamilies());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(-fontHeight);
    return font;
}

QFont MenuBarFont(const QFont &platformMenuFont)
{
    const QString family = QFontInfo(platformMenuFont).family();
    if (QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese))
        return platformMenuFont;
    // A menu font without Japanese would draw the caption with glyphs Qt finds by asking
    // fontconfig for fallbacks, three searches that cost as much as half the window; the window's
    // face has them at once.
    QFont font = platformMenuFont;
    font.setFamilies(WindowFamilies());
    font.setStyleHint(QFont::SansSerif);
    return font;
}

int TextHeight(const QFont &font)
{
    return QFontMetrics(font).size(Qt::TextSingleLine, QStringLiteral("0")).height();
}

} // namespace mrfyc
