#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <string>
#include <vector>

namespace kestrel::widgets {

// The panes' font: Fixedsys where the system has it (a Windows workstation), else the
// system's fixed font. `families`: the font families the system has.
QFont PaneFont(const QStringList& families);

// Named widgets for the page views: every control carries the name the engineers' manuals
// and the page logic use, so tests and screenshots can find it.
// A widget that a job shows and hides keeps its room while hidden, so that nothing around it
// moves when the job starts or ends: a click aimed at a button must land on it.
void KeepRoomWhenHidden(QWidget* widget);

class Widgets {
 public:
  explicit Widgets(QWidget* parent) : parent_(parent) {}

  QLabel* Label(const char* name, const QString& caption);
  QPushButton* Button(const char* name, const QString& caption, bool enabled = true);
  QCheckBox* Check(const char* name, const QString& caption, bool checked);
  QLineEdit* Edit(const char* name, const QString& text, bool upper_case = false);
  // A drop-down with `items`; `text` shown, picked at `index` (-1: not picked).
  QComboBox* Combo(const char* name, const std::vector<std::string>& items, const QString& text,
                   int index = -1, bool upper_case = false);
  QListWidget* List(const char* name);
  QPlainTextEdit* Memo(const char* name, bool read_only = false);
  // White fixed-pitch text on a dark background, both scroll bars: raw session text.
  QPlainTextEdit* Terminal(const char* name);

 private:
  template <typename T>
  T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
  }
  QWidget* parent_;
};

}  // namespace kestrel::widgets
