// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace mrfyc {

// Whether menu captions get their access key in the "(&K)" suffix form: true for the users whose
// Windows would run a double-byte code page, that is a Japanese, Chinese or Korean locale.
bool IsDoubleByteLocale(const QLocale &locale = QLocale::system());

// Gives every top-level caption without "&" an access key from "0-9A-Z", each key used once and
// keys already marked elsewhere taken first. A caption with a double-byte character gets the
// "(&K)" suffix on a double-byte system (falling back to the last free key); otherwise "&" goes
// in front of the chosen character.
QStringList AssignMenuAccessKeys(const QStringList &captions, bool doubleByteSystem);

} // namespace mrfyc
