#include "app/read_window.h"

#include <QFontDatabase>
#include <QMenu>
#include <QVBoxLayout>

#include "platform/dispatch.h"
#include "widgets/bindings.h"
#include "widgets/widgets.h"

namespace kestrel::app {

TForm2::TForm2(pages::ReadForm& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("Form2");
  setWindowTitle("READ");
  resize(659, 545);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setTabChangesFocus(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setFont(widgets::PaneFont(QFontDatabase::families()));
  Memo1->setStyleSheet("QPlainTextEdit { color: white; background: #1d3b5c; }");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo1);
  widgets::Bind(model_.Memo1, Memo1);
  // The text's own menu (copy, select all, ...), and "Save as...".
  Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Memo1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu* menu = Memo1->createStandardContextMenu(at);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    menu->addAction("Save as...", this,
                    [this] {
                      if (OnSaveAs) platform::Dispatch(OnSaveAs);
                    })
        ->setObjectName("SaveAs1");
    menu->popup(Memo1->viewport()->mapToGlobal(at));
  });

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
