// SPDX-License-Identifier: MIT
#include "ui/qt/menu_access_key.h"

#include "rules/menu_access_key.h"

namespace mrfyc {

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
    std::vector<std::u32string> plain;
    plain.reserve(static_cast<std::size_t>(captions.size()));
    for (const QString &caption : captions)
        plain.push_back(caption.toStdU32String());
    QStringList result;
    for (const std::u32string &caption : AssignMenuAccessKeys(plain, doubleByteSystem))
        result.append(QString::fromStdU32String(caption));
    return result;
}

} // namespace mrfyc
