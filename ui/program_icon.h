#pragma once

#include <QIcon>

namespace patchwarden {

// The program's icon, drawn at 16, 32 and 48 pixels.
QIcon program_icon();

}  // namespace patchwarden
