#include "ui/files/dropped_files.h"

#include <QMimeData>
#include <QUrl>

namespace patchwarden {

std::vector<std::filesystem::path> local_files_in(const QMimeData* data) {
    std::vector<std::filesystem::path> paths;
    if (!data || !data->hasUrls()) return paths;
    const auto urls = data->urls();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        if (!url.host().isEmpty() && url.host() != QStringLiteral("localhost")) continue;  // another machine's
        // The encoded path keeps bytes that are not UTF-8 as they came.
        const QByteArray name = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!name.isEmpty()) paths.emplace_back(name.toStdString());
    }
    return paths;
}

}  // namespace patchwarden
