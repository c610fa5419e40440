#pragma once
// Filling the printf-style fields of translated texts ("Load scene %d \"%s\"?"): the texts come
// from the language files, so they are never handed to printf itself.

#include <QString>
#include <QStringList>
#include <initializer_list>

namespace korvel {

// Replaces each "%d" and "%s" of `format` by the next of `values`, in order; "%%" becomes "%".
// Fields beyond the values are left as written.
QString FillFields(const QString& format, const QStringList& values);

// FillFields with whole numbers.
QString FormatInts(const QString& format, std::initializer_list<int> values);

}  // namespace korvel
