#include "ui/program_icon.h"

// The icons are compiled into this library; a static library has to ask
// for its resources to be registered.
static void register_icons() {
    Q_INIT_RESOURCE(icons);
}

namespace patchwarden {

QIcon program_icon() {
    static const bool registered = (register_icons(), true);
    (void)registered;
    QIcon icon;
    for (int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/patchwarden/icons/icon_%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace patchwarden
