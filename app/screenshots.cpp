#include "app/screenshots.h"

#include "app/screenshot_runs.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTabWidget>

namespace kestrel::app {

namespace {

QString FileName(QString text) {
  text.replace(QRegularExpression("[^A-Za-z0-9]+"), "-");
  return text.toLower();
}

bool Save(QWidget* window, const QString& folder, const QString& name) {
  window->show();
  window->raise();
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
  return window->grab().save(QDir(folder).filePath(name + ".png"));
}

}  // namespace

int TakeScreenshots(Application& windows, const QString& folder) {
  QDir().mkpath(folder);
  int written = Save(windows.Form1.get(), folder, "01-entry-window") ? 1 : 0;
  windows.Kestreldlg->show();
  QTabWidget* pages = windows.Kestreldlg->PageControl2;
  for (int page = 0; page < pages->count(); ++page) {
    pages->setCurrentIndex(page);
    const QString prefix =
        QString("%1-page-%2").arg(page + 2, 2, 10, QChar('0')).arg(FileName(pages->tabText(page)));
    // Pages with inner pages get a picture of each.
    auto inner = pages->widget(page)->findChildren<QTabWidget*>();
    if (inner.isEmpty()) {
      written += Save(windows.Kestreldlg.get(), folder, prefix);
      continue;
    }
    for (int sub = 0; sub < inner.front()->count(); ++sub) {
      inner.front()->setCurrentIndex(sub);
      written += Save(windows.Kestreldlg.get(), folder,
                      prefix + "-" + FileName(inner.front()->tabText(sub)));
    }
    inner.front()->setCurrentIndex(0);
  }
  pages->setCurrentIndex(0);
  windows.read_form.Memo1.SetText("MML script\r\nRLNRC:CELL=C09101A,CELLR=C09101B;\r\n");
  written += Save(windows.Form2.get(), folder, "09-read-viewer");
  written += Save(windows.PropertiesForm.get(), folder, "10-properties");
  written += Save(windows.Form4.get(), folder, "11-about");
  for (QWidget* window : {static_cast<QWidget*>(windows.Form2.get()),
                          static_cast<QWidget*>(windows.PropertiesForm.get()),
                          static_cast<QWidget*>(windows.Form4.get())}) {
    window->hide();
  }
  written += TakePicturesAfterRuns(
      windows, [&](QWidget* window, const QString& name) { return Save(window, folder, name); });
  return written;
}

}  // namespace kestrel::app
