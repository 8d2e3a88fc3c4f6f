#include "app/app_test_helpers.h"

#include <QFile>

namespace qrh::test {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const std::string& bytes) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  return path;
}

}  // namespace qrh::test
