#include "app/read_window.h"

#include <QFontDatabase>
#include <QVBoxLayout>

#include "widgets/bindings.h"

namespace kestrel::app {

TForm2::TForm2(pages::ReadForm& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("Form2");
  setWindowTitle("READ");
  resize(659, 545);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Memo1->setStyleSheet("QPlainTextEdit { color: white; background: #1d3b5c; }");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo1);
  widgets::Bind(model_.Memo1, Memo1);

  // The model says when the window is shown; closing it tells the model.
  auto follow = [this] {
    if (model_.Window.Visible()) {
      show();
      raise();
      activateWindow();
    } else {
      hide();
    }
  };
  window_shown_ = model_.Window.changed.Subscribe(follow);
}

void TForm2::hideEvent(QHideEvent* event) {
  model_.Window.SetVisible(false);
  QWidget::hideEvent(event);
}

}  // namespace kestrel::app
