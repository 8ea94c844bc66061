#include "board/ZoomMemory.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const char* const kZoomKey = "Board/zoom";
// The file holds one short line; anything much larger is not ours.
constexpr qint64 kLargestFile = 64 * 1024;

}  // namespace

QString ZoomMemoryPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/numino/numino.conf");
}

double RecallZoom() {
  const QString path = ZoomMemoryPath();
  const QFileInfo file(path);
  if (!file.isFile() || file.size() > kLargestFile) return 0;
  const QSettings settings(path, QSettings::IniFormat);
  if (settings.status() != QSettings::NoError) return 0;
  bool isNumber = false;
  const double zoom = settings.value(QString::fromLatin1(kZoomKey)).toDouble(&isNumber);
  return isNumber ? zoom : 0;
}

void RememberZoom(double zoom) {
  const QString path = ZoomMemoryPath();
  {
    // A damaged file would be kept as QSettings read it, or not written at
    // all: it is replaced instead.
    const QSettings old(path, QSettings::IniFormat);
    if (old.status() != QSettings::NoError) QFile::remove(path);
  }
  QSettings settings(path, QSettings::IniFormat);
  settings.setValue(QString::fromLatin1(kZoomKey), zoom);
  settings.sync();
}
