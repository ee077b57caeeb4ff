#include "platform/qt_ports.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <chrono>
#include <stdexcept>

#include "platform/file_names.h"

namespace kestrel::platform {

LocalDateTime SystemClock::Now() const {
  const QDateTime now = QDateTime::currentDateTime();
  return {now.date().year(), now.date().month(),  now.date().day(),
          now.time().hour(), now.time().minute(), now.time().second()};
}

std::int64_t SystemClock::SteadyMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string DiskFiles::Read(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error(path + ": " + file.errorString().toStdString());
  return file.readAll().toStdString();
}

bool DiskFiles::Exists(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).isFile();
}

std::vector<std::string> DiskFiles::List(const std::string& folder, std::string_view suffix) {
  std::vector<std::string> names;
  const QString pattern =
      "*" + QString::fromUtf8(suffix.data(), static_cast<qsizetype>(suffix.size()));
  for (const QString& name :
       QDir(QString::fromStdString(folder)).entryList({pattern}, QDir::Files, QDir::Name)) {
    names.push_back(name.toStdString());
  }
  return names;
}

void DiskFiles::WriteWhole(const std::string& path, std::string_view text) {
  // A mapped drive that is not connected, or a share out of reach, is named as such rather
  // than as a file that "does not exist".
  if (const std::string root = PathRoot(kNativePathStyle, path);
      !root.empty() && !QFileInfo::exists(QString::fromStdString(root))) {
    throw std::runtime_error(RootMissing(root));
  }
  QSaveFile file(QString::fromStdString(path));
  // Never a folder of our own making: the report share must be there already.
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error(file.errorString().toStdString());
  if (file.write(text.data(), static_cast<qint64>(text.size())) !=
      static_cast<qint64>(text.size())) {
    const std::string reason = file.errorString().toStdString();
    file.cancelWriting();
    throw std::runtime_error(reason);
  }
  if (!file.commit()) throw std::runtime_error(file.errorString().toStdString());
}

}  // namespace kestrel::platform
