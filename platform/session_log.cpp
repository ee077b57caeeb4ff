#include "platform/session_log.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <vector>

#include "platform/file_names.h"
#include "platform/os.h"

namespace kestrel::platform {

namespace {

// One open log file, written through the recorder's writer thread.
class FileRecord : public mml::SessionRecord {
 public:
  FileRecord(int fd, std::shared_ptr<LogWriter> writer) : fd_(fd), writer_(std::move(writer)) {}
  ~FileRecord() override { writer_->Close(fd_); }

  bool Write(Direction direction, std::string_view text, Time when) override {
    return writer_->Write(fd_, direction, text, direction != Direction::kReceived, when);
  }

 private:
  int fd_;
  std::shared_ptr<LogWriter> writer_;
};

const QRegularExpression& DayFolder() {
  static const QRegularExpression day("^\\d{4}-\\d{2}-\\d{2}$");
  return day;
}

// When the session of a log began: the time of its first record, to the millisecond; the
// file's own time for a log that holds no record yet.
QDateTime SessionBegan(const QString& path) {
  QFile log(path);
  if (log.open(QIODevice::ReadOnly)) {
    const QByteArray first = log.readLine(64);
    const QDateTime time =
        QDateTime::fromString(QString::fromLatin1(first.left(23)), "yyyy-MM-dd HH:mm:ss.zzz");
    if (time.isValid()) return time;
  }
  return QFileInfo(path).lastModified();
}

}  // namespace

std::unique_ptr<mml::SessionRecord> FileSessionRecorder::Open(std::string_view page,
                                                              std::string_view element,
                                                              std::string& error) {
  const QDateTime now = clock_();
  Tidy(now.toString("yyyy-MM-dd"));
  const QString day = QDir(folder_).filePath(now.toString("yyyy-MM-dd"));
  if (!QDir().mkpath(day)) {
    error = "the folder " + day.toStdString() + " cannot be made";
    return nullptr;
  }
  const QString stem = now.toString("hhmmss") + "_" + QString::fromStdString(FileSafe(page)) + "_" +
                       QString::fromStdString(FileSafe(element));
  // Two sessions of one page and element in one second get a file each.
  for (int n = 1; n < 1000; ++n) {
    const QString path =
        QDir(day).filePath(stem + (n == 1 ? QString() : "_" + QString::number(n)) + ".log");
    const NewFile file = CreateNewFile(path.toStdString());
    if (file.fd >= 0) {
      if (!writer_) writer_ = std::make_shared<LogWriter>();
      return std::make_unique<FileRecord>(file.fd, writer_);
    }
    if (!file.exists) {
      error = QDir::toNativeSeparators(path).toStdString() + ": " + file.error;
      return nullptr;
    }
  }
  error = "too many logs named " + stem.toStdString() + " in " + day.toStdString();
  return nullptr;
}

int FileSessionRecorder::Prune(int days) const {
  if (days <= 0) return 0;
  const QString oldest_kept = clock_().date().addDays(-(days - 1)).toString("yyyy-MM-dd");
  int removed = 0;
  for (const QString& name : QDir(folder_).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    if (!DayFolder().match(name).hasMatch() || name >= oldest_kept) continue;
    if (QDir(QDir(folder_).filePath(name)).removeRecursively()) ++removed;
  }
  return removed;
}

QStringList FileSessionRecorder::Cap(qint64 bytes) const {
  QStringList removed;
  if (bytes <= 0) return removed;
  const QString today = Today();
  QStringList days;
  for (const QString& name :
       QDir(folder_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
    if (DayFolder().match(name).hasMatch()) days << name;
  }
  // A past day's size is read once: its logs are written no more. Today's is read each time.
  auto size_of = [this, &today](const QString& day) {
    if (const auto known = past_sizes_.find(day); known != past_sizes_.end()) return known->second;
    qint64 size = 0;
    for (const QFileInfo& file : QDir(QDir(folder_).filePath(day)).entryInfoList(QDir::Files)) {
      size += file.size();
    }
    if (day < today) past_sizes_[day] = size;
    return size;
  };
  qint64 total = 0;
  std::vector<qint64> sizes;
  for (const QString& day : days) total += sizes.emplace_back(size_of(day));
  for (std::size_t i = 0; i < static_cast<std::size_t>(days.size()) && total > bytes; ++i) {
    const QString& day = days[static_cast<qsizetype>(i)];
    if (day >= today) break;  // today's logs are being written
    if (!QDir(QDir(folder_).filePath(day)).removeRecursively()) continue;
    past_sizes_.erase(day);
    total -= sizes[i];
    removed << day;
  }
  return removed;
}

void FileSessionRecorder::Keep(int keep_days, int max_mb,
                               std::function<void(const std::string&)> notice) {
  keep_days_ = keep_days;
  max_bytes_ = qint64{std::max(max_mb, 0)} << 20;
  notice_ = std::move(notice);
  tidied_day_.clear();
  Tidy(Today());
}

void FileSessionRecorder::Tidy(const QString& day) {
  constexpr int kCheckEvery = 1000;
  if (day == tidied_day_ && ++opened_since_tidy_ < kCheckEvery) return;
  const bool new_day = day != tidied_day_;
  tidied_day_ = day;
  opened_since_tidy_ = 0;
  if (new_day) Prune(keep_days_);
  const QStringList removed = Cap(max_bytes_);
  if (!removed.isEmpty() && !capped_said_ && notice_) {
    capped_said_ = true;
    notice_("The session logs passed " + std::to_string(max_bytes_ >> 20) +
            " MB: the oldest days were removed (" + removed.join(", ").toStdString() +
            "); older days go whenever the logs pass it again");
  }
}

QString FileSessionRecorder::LastLog(std::string_view page) const {
  const QRegularExpression of_page(
      "^(\\d{6})_" + QRegularExpression::escape(QString::fromStdString(FileSafe(page))) +
      "_.*\\.log$");
  QStringList days = QDir(folder_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  for (auto day = days.crbegin(); day != days.crend(); ++day) {
    if (!DayFolder().match(*day).hasMatch()) continue;
    const QDir folder(QDir(folder_).filePath(*day));
    // Names begin with the second the session began; within it, names sort by element, so
    // the logs of the last second are told apart by the time of their first record.
    QString last_second;
    QStringList candidates;
    for (const QString& name : folder.entryList({"*.log"}, QDir::Files, QDir::Name)) {
      const QRegularExpressionMatch match = of_page.match(name);
      if (!match.hasMatch()) continue;
      if (match.captured(1) > last_second) {
        last_second = match.captured(1);
        candidates.clear();
      }
      if (match.captured(1) == last_second) candidates << folder.filePath(name);
    }
    QString newest;
    QDateTime newest_began;
    for (const QString& path : candidates) {
      const QDateTime began = SessionBegan(path);
      if (newest.isEmpty() || began >= newest_began) {
        newest = path;
        newest_began = began;
      }
    }
    if (!newest.isEmpty()) return QFileInfo(newest).absoluteFilePath();
  }
  return {};
}

QString FileSessionRecorder::DefaultFolder() {
  return QString::fromStdString(DefaultLogFolder(kNativePathStyle, SystemEnvironment));
}

std::unique_ptr<FileSessionRecorder> FileSessionRecorder::ForSite(
    bool enabled, const std::string& folder, int keep_days, int max_mb,
    std::function<void(const std::string&)> notice) {
  if (!enabled) return nullptr;
  auto recorder = std::make_unique<FileSessionRecorder>(
      folder.empty() ? DefaultFolder() : QString::fromStdString(folder));
  recorder->Keep(keep_days, max_mb, std::move(notice));
  return recorder;
}

}  // namespace kestrel::platform
