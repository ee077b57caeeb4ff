#pragma once

#include <QToolButton>
#include <QWidget>

namespace kestrel::app {

// The entry window "Kestrel", the program's main form: closing it ends the program.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);

  QToolButton* SpeedButton1;  // "Giris": shows the main window
  QToolButton* SpeedButton2;  // "Cixis": ends the program
  QToolButton* SpeedButton3;  // the About window, modally

  // What the buttons do; the application connects them.
  std::function<void()> OnGiris, OnCixis, OnAbout;

 protected:
  // The entry window is the main form: closing it ends the program, main window or not.
  void closeEvent(QCloseEvent* event) override;
};

}  // namespace kestrel::app
