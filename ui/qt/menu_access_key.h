// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace mrfyc {

// Whether menu captions get their access key in the "(&K)" suffix form: true for the users whose
// Windows would run a double-byte code page, that is a Japanese, Chinese or Korean locale.
bool IsDoubleByteLocale(const QLocale &locale = QLocale::system());

// The rules' access keys for Qt captions.
QStringList AssignMenuAccessKeys(const QStringList &captions, bool doubleByteSystem);

} // namespace mrfyc
