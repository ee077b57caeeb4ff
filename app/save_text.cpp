#include "app/save_text.h"

#include <QFileInfo>
#include <QString>
#include <stdexcept>
#include <string>

namespace kestrel::app {

bool SaveTextAs(platform::FileDialogs& dialogs, platform::Files& files, std::string_view text) {
  std::string path = dialogs.SaveFileName("TextFile(.txt)|.txt");
  if (path.empty()) return false;
  if (QFileInfo(QString::fromStdString(path)).suffix().isEmpty()) {
    path += ".txt";
    // The dialog asked whether to replace the name as typed, not this file: it is kept.
    if (files.Exists(path)) {
      throw std::runtime_error("Not saved: " + path +
                               " exists already; choose it by its whole name to replace it");
    }
  }
  try {
    files.WriteWhole(path, text);
  } catch (const std::exception& error) {
    throw std::runtime_error("Not saved: " + path + ": " + error.what());
  }
  return true;
}

}  // namespace kestrel::app
