// The main window's File menu: the current page's report saved as a text file, and the
// session logs.
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QUrl>
#include <string>

#include "app/log_viewer.h"
#include "app/main_window.h"
#include "app/save_text.h"
#include "platform/dispatch.h"

namespace kestrel::app {

void TKestreldlg::BuildMenu() {
  auto* file = menuBar()->addMenu("File");
  file->setObjectName("File1");
  auto* save = file->addAction("Save report as...", this,
                               [this] { platform::Dispatch([this] { SaveReport1Click(); }); });
  save->setObjectName("SaveReport1");
  // Also from the "READ" viewer, which then saves its own text.
  save->setShortcut(QKeySequence::Save);
  save->setShortcutContext(Qt::ApplicationShortcut);
  file->addSeparator();
  auto* folder = file->addAction("Open session log folder", this,
                                 [this] { platform::Dispatch([this] { LogFolder1Click(); }); });
  folder->setObjectName("LogFolder1");
  auto* last = file->addAction("Show last session log", this,
                               [this] { platform::Dispatch([this] { LastLog1Click(); }); });
  last->setObjectName("LastLog1");
  const QString off = "The site keeps no session logs ([logs] enabled=false)";
  for (QAction* action : {folder, last}) {
    action->setEnabled(recorder != nullptr);
    if (recorder == nullptr) action->setStatusTip(off);
  }
  file->addSeparator();
  file->addAction("Close", this, [this] { platform::Dispatch([this] { Close1Click(); }); })
      ->setObjectName("Close1");

  auto* options = menuBar()->addMenu("Options");
  options->setObjectName("Options1");
  options->menuAction()->setVisible(false);  // the settings stay as the site built them
  options->addAction("Properties", this, [this] { platform::Dispatch(OnProperties); })
      ->setObjectName("Properties1");
  menuBar()
      ->addAction("About", this, [this] { platform::Dispatch(OnAbout); })
      ->setObjectName("About1");
}

const TKestreldlg::Tab& TKestreldlg::CurrentTab() const {
  for (const Tab& tab : tabs_) {
    if (tab.sheet == PageControl2->currentWidget()) return tab;
  }
  return tabs_.front();
}

const controls::Memo& TKestreldlg::CurrentReport() const {
  if (ReadViewerActive && ReadViewerActive()) return read_form_.Memo1;
  return *CurrentTab().report;
}

std::string TKestreldlg::CurrentLogPage() const { return CurrentTab().log_page; }

void TKestreldlg::SaveReport1Click() { SaveTextAs(dialogs, files, CurrentReport().Text()); }

void TKestreldlg::LogFolder1Click() {
  if (recorder == nullptr) return;
  const QString folder = recorder->Folder();
  QDir().mkpath(folder);  // the first session makes it; the engineer may look before that
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
    messages.Inform("No file manager could open the session log folder " + folder.toStdString());
  }
}

void TKestreldlg::LastLog1Click() {
  if (recorder == nullptr) return;
  const std::string page = CurrentLogPage();
  const QString path = recorder->LastLog(page);
  if (path.isEmpty()) {
    messages.Inform("No session log of the " +
                    PageControl2->tabText(PageControl2->currentIndex()).toStdString() +
                    " page in " + recorder->Folder().toStdString() + " yet");
    return;
  }
  if (log_viewer_ == nullptr) log_viewer_ = new LogViewer(this);
  // The day's folder and the file: the name says the start, the page and the element.
  const QFileInfo file(path);
  log_viewer_->ShowLog(path, file.dir().dirName() + "/" + file.fileName());
}

}  // namespace kestrel::app
