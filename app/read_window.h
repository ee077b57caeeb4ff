#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <functional>

#include "pages/shared/read_form.h"

namespace kestrel::app {

// The "READ" text viewer: white fixed-pitch text on a dark background, both scroll bars.
class TForm2 : public QWidget {
  Q_OBJECT

 public:
  TForm2(pages::ReadForm& model, QWidget* parent = nullptr);

  QPlainTextEdit* Memo1;
  // "Save as..." of the text's context menu: saves the text into a file.
  std::function<void()> OnSaveAs;

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  pages::ReadForm& model_;
  controls::Notifier::Subscription window_shown_;
};

}  // namespace kestrel::app
