#pragma once

#include <QWidget>

namespace kestrel::proses {

// The "Proses" tab with its inner pages "Proses" and "Options". The recovery logic is not
// here yet, so the buttons that would run it are disabled.
QWidget* BuildProsesView(QWidget* parent);

}  // namespace kestrel::proses
