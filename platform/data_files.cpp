#include "platform/data_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kestrel::platform {

std::string DataFile(const std::string& name) {
  const QString file = QString::fromStdString(name);
  QStringList folders;
  const QString from_env = qEnvironmentVariable("KESTREL_DATA_DIR");
  if (!from_env.isEmpty()) folders << from_env;
  const QString program = QCoreApplication::applicationDirPath();
  // data\ beside the program is a Windows installation's.
  folders << program + "/../share/kestrel" << program + "/data" << program + "/../../data"
          << QStringLiteral(KESTREL_SOURCE_DATA);
  for (const QString& folder : folders) {
    const QFileInfo candidate(QDir(folder).filePath(file));
    if (candidate.isFile()) return candidate.absoluteFilePath().toStdString();
  }
  return {};
}

}  // namespace kestrel::platform
