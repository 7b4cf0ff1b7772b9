#include "ui/files/dropped_files.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace patchwarden {

std::vector<std::filesystem::path> syx_files_in(const QMimeData* data) {
    std::vector<std::filesystem::path> paths;
    if (!data || !data->hasUrls()) return paths;
    const auto urls = data->urls();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (path.endsWith(QStringLiteral(".syx"), Qt::CaseInsensitive)) paths.emplace_back(QFile::encodeName(path).toStdString());
    }
    return paths;
}

}  // namespace patchwarden
