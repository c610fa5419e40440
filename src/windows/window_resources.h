#pragma once
// Layouts of the tool windows, embedded as ":/layout/<ID>" (e.g. ":/layout/XML_MSG").

#include <QString>

#include "uiframework/framework.h"

namespace korvel {

// Registers this library's embedded layouts (needed once for a static library) and returns the
// resource path of one layout.
QString WindowLayout(const char* id);

}  // namespace korvel
