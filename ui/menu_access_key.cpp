// SPDX-License-Identifier: MIT
#include "ui/menu_access_key.h"

#include <QSet>

#include <algorithm>

namespace mrfyc {

namespace {

const QString kCandidates = QStringLiteral("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString kEllipsis = QStringLiteral("...");

// A character that code page 932 stores in one byte: ASCII and the half-width katakana.
bool IsSingleByteCharacter(QChar character)
{
    const char16_t code = character.unicode();
    return code < 0x80 || (code >= 0xFF61 && code <= 0xFF9F);
}

bool HasDoubleByteCharacter(const QString &caption)
{
    return std::any_of(
        caption.cbegin(), caption.cend(), [](QChar c) { return !IsSingleByteCharacter(c); });
}

// The keys a caption marks itself: the character after a single "&" ("&&" is a literal "&").
void TakeMarkedKeys(const QString &caption, QSet<QChar> &used)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != u'&')
            continue;
        if (caption.at(i + 1) != u'&')
            used.insert(caption.at(i + 1).toUpper());
        ++i;
    }
}

QString WithSuffixKey(const QString &caption, QChar key)
{
    const QString suffix = QStringLiteral("(&") + key + u')';
    if (caption.endsWith(kEllipsis))
        return caption.left(caption.size() - kEllipsis.size()) + suffix + kEllipsis;
    return caption + suffix;
}

QString WithKey(const QString &caption, bool doubleByteSystem, QSet<QChar> &used)
{
    const bool suffixForm = doubleByteSystem && HasDoubleByteCharacter(caption);
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (!IsSingleByteCharacter(caption.at(i)))
            continue;
        const QChar key = caption.at(i).toUpper();
        if (!kCandidates.contains(key) || used.contains(key))
            continue;
        used.insert(key);
        if (suffixForm)
            return WithSuffixKey(caption, key);
        return caption.left(i) + u'&' + caption.mid(i);
    }
    if (!suffixForm)
        return caption;
    for (qsizetype i = kCandidates.size() - 1; i >= 0; --i) {
        if (!used.contains(kCandidates.at(i))) {
            used.insert(kCandidates.at(i));
            return WithSuffixKey(caption, kCandidates.at(i));
        }
    }
    return caption;
}

} // namespace

bool IsDoubleByteLocale(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::Japanese:
    case QLocale::Chinese:
    case QLocale::Korean:
        return true;
    default:
        return false;
    }
}

QStringList AssignMenuAccessKeys(const QStringList &captions, bool doubleByteSystem)
{
    QSet<QChar> used;
    for (const QString &caption : captions)
        TakeMarkedKeys(caption, used);
    QStringList result;
    result.reserve(captions.size());
    for (const QString &caption : captions)
        result.append(caption.contains(u'&') ? caption : WithKey(caption, doubleByteSystem, used));
    return result;
}

} // namespace mrfyc
