#pragma once
// Filling translated texts that carry printf-style fields.

#include <QString>
#include <initializer_list>

namespace korvel {

// Fills the "%d" fields of a translated text in order; "%%" stays a single percent sign.
QString FormatInts(const QString& format, std::initializer_list<int> values);

}  // namespace korvel
