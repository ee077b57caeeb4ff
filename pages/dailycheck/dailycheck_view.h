#pragma once

#include <QString>
#include <QWidget>

namespace kestrel::dailycheck {

// The "Daily check" tab with its inner pages "Report", "Work", "Auto solution", "Warning"
// and "Sound". The supervision loop is not here yet, so its buttons are disabled; the sound
// file list shows the recordings in `sounds_folder`/nods.
QWidget* BuildDailyCheckView(QWidget* parent, const QString& sounds_folder);

}  // namespace kestrel::dailycheck
