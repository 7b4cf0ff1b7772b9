#include "ui/files/dropped_files.h"

#include <QMimeData>
#include <QUrl>

namespace patchwarden {

std::vector<std::u16string> syx_files_in(const QMimeData* data) {
    std::vector<std::u16string> paths;
    if (!data || !data->hasUrls()) return paths;
    const auto urls = data->urls();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (path.endsWith(QStringLiteral(".syx"), Qt::CaseInsensitive)) paths.push_back(path.toStdU16String());
    }
    return paths;
}

}  // namespace patchwarden
