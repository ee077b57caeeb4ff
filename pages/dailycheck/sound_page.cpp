// The "Sound" page: browse the recordings, play one, and check that the sounds folder is
// where the program looks for it.
#include "pages/dailycheck/dailycheck_page.h"

namespace kestrel::dailycheck {

void DailyCheckPage::ShowSoundFolder(const std::string& folder) {
  FileListFolder.SetCaption(folder);
  FileListBox1.Clear();
  for (const auto& name : files_.List(folder, ".wav")) FileListBox1.Add(name);
}

// Plays the selected recording; a damaged file gives no sound and no message.
void DailyCheckPage::FileListBox1DblClick() {
  for (std::size_t i = 0; i < FileListBox1.Count(); ++i) {
    if (FileListBox1.Selected(i)) {
      sound_.Play(FileListFolder.Caption() + "/" + FileListBox1.Items()[i], {});
      return;
    }
  }
}

// Shows the chosen file's folder and selects the file.
void DailyCheckPage::Button7Click() {
  const std::string path = dialogs_.OpenFileName();
  if (path.empty()) return;
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  ShowSoundFolder(folder);
  for (std::size_t i = 0; i < FileListBox1.Count(); ++i) {
    if (FileListBox1.Items()[i] == name) FileListBox1.SetSelected(i, true);
  }
}

// The test recording, without waiting for its end; nothing when it is not there.
void DailyCheckPage::Button8Click() {
  const std::string test = sounds_folder_ + "/nods/BSC15.wav";
  if (files_.Exists(test)) sound_.Start(test);
}

}  // namespace kestrel::dailycheck
