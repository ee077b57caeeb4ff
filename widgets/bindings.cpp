#include "widgets/bindings.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>

#include "platform/dispatch.h"

namespace kestrel::widgets {

namespace {

// Holds a subscription for as long as the widget it is parented to.
class Subscription : public QObject {
 public:
  Subscription(QWidget* widget, controls::Notifier& notifier, std::function<void()> update)
      : QObject(widget), subscription_(notifier.Subscribe(std::move(update))) {}

 private:
  controls::Notifier::Subscription subscription_;
};

QString FromModel(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The memo's CR LF line breaks as the widget's paragraphs.
QString Displayed(std::string_view text) { return FromModel(text).replace("\r\n", "\n"); }

// A page of a tab widget (or of any stack) is shown by its stack alone, when it is the current
// page: shown by anyone else it would be drawn over the current page, and take the keyboard
// focus there. A tab page's model shows or hides its tab instead.
void ApplyVisible(bool visible, QWidget* view) {
  if (auto* stack = qobject_cast<QStackedWidget*>(view->parentWidget())) {
    auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
    const int index = tabs != nullptr ? tabs->indexOf(view) : -1;
    if (index >= 0 && tabs->isTabVisible(index) != visible) tabs->setTabVisible(index, visible);
    return;
  }
  // Only a change, or the first word on it: a widget hidden by its container (a page that is
  // not current) stays hidden, and one never shown or hidden by anyone follows its parent.
  if (!view->testAttribute(Qt::WA_WState_ExplicitShowHide) || view->isHidden() == visible) {
    view->setVisible(visible);
  }
}

void ApplyControl(const controls::Control& model, QWidget* view) {
  view->setEnabled(model.Enabled());
  ApplyVisible(model.Visible(), view);
}

// A read-only pane follows new text as a terminal does: when the view was at the end before
// the text grew, it is at the end after; when the engineer has scrolled up, it stays there.
class FollowTheEnd : public QObject {
 public:
  explicit FollowTheEnd(QPlainTextEdit* view)
      : QObject(view), bar_(view->verticalScrollBar()), last_maximum_(bar_->maximum()) {
    // A new size of the pane, or text laid out late: the end moves, and a view that was at
    // the end moves with it.
    connect(bar_, &QScrollBar::rangeChanged, this, [this](int, int maximum) {
      if (!changing_ && bar_->value() >= last_maximum_) bar_->setValue(maximum);
      last_maximum_ = maximum;
    });
  }

  // Runs `change`, which puts new text into the pane, and keeps the place: the end, or where
  // the engineer scrolled to. (The widget would otherwise move the view along with its own
  // cursor when that stands at the end of the text.)
  template <typename Change>
  void Keeping(Change change) {
    const int was = bar_->value();
    const bool at_end = was >= bar_->maximum();
    changing_ = true;
    change();
    changing_ = false;
    last_maximum_ = bar_->maximum();
    bar_->setValue(at_end ? bar_->maximum() : std::min(was, bar_->maximum()));
  }

 private:
  QScrollBar* bar_;
  int last_maximum_;
  bool changing_ = false;
};

}  // namespace

void Follow(QWidget* widget, controls::Notifier& notifier, std::function<void()> update) {
  new Subscription(widget, notifier, std::move(update));
}

void Bind(controls::Control& model, QWidget* view) {
  auto update = [&model, view] {
    ApplyControl(model, view);
    if (auto* label = qobject_cast<QLabel*>(view)) label->setText(FromModel(model.Caption()));
  };
  new Subscription(view, model.changed, update);
  update();
}

void Bind(controls::Control& model, QAbstractButton* view, std::function<void()> on_click) {
  auto update = [&model, view] {
    ApplyControl(model, view);
    view->setText(FromModel(model.Caption()));
  };
  new Subscription(view, model.changed, update);
  update();
  QObject::connect(view, &QAbstractButton::clicked, view,
                   [on_click = std::move(on_click)] { platform::Dispatch(on_click); });
}

void Bind(controls::CheckBox& model, QAbstractButton* view) {
  auto update = [&model, view] {
    ApplyControl(model, view);
    view->setText(FromModel(model.Caption()));
    view->setChecked(model.Checked());
  };
  new Subscription(view, model.changed, update);
  update();
  QObject::connect(view, &QAbstractButton::toggled, view,
                   [&model](bool on) { model.SetChecked(on); });
}

void Bind(controls::Panel& model, QAbstractButton* view, std::function<void()> on_click) {
  Bind(static_cast<controls::Control&>(model), view, std::move(on_click));
  // Painted only while it can be pressed: a disabled panel looks disabled, whatever its colour.
  auto paint = [&model, view] {
    switch (model.Color()) {
      case controls::Colour::kYellow:
        view->setStyleSheet("QAbstractButton:enabled { background: #f3d23b; color: black; }");
        break;
      case controls::Colour::kGreen:
        view->setStyleSheet("QAbstractButton:enabled { background: #4caf50; color: white; }");
        break;
      case controls::Colour::kButtonFace:
        view->setStyleSheet({});
        break;
    }
  };
  new Subscription(view, model.changed, paint);
  paint();
}

void Bind(controls::ProgressBar& model, QProgressBar* view) {
  auto update = [&model, view] {
    ApplyControl(model, view);
    view->setRange(0, std::max(1, model.Max()));
    view->setValue(std::min(model.Position(), std::max(1, model.Max())));
  };
  new Subscription(view, model.changed, update);
  update();
}

namespace {
class DoubleClickFilter : public QObject {
 public:
  DoubleClickFilter(QObject* parent, std::function<void()> handler)
      : QObject(parent), handler_(std::move(handler)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick) platform::Dispatch(handler_);
    return false;
  }

 private:
  std::function<void()> handler_;
};
}  // namespace

void OnDoubleClick(QWidget* view, std::function<void()> handler) {
  QWidget* target = view;
  if (auto* scrolled = qobject_cast<QAbstractScrollArea*>(view)) target = scrolled->viewport();
  target->installEventFilter(new DoubleClickFilter(view, std::move(handler)));
}

void Bind(controls::Edit& model, QLineEdit* view) {
  auto update = [&model, view] {
    ApplyControl(model, view);
    const QString text = FromModel(model.Text());
    if (view->text() != text) view->setText(text);
  };
  new Subscription(view, model.changed, update);
  update();
  QObject::connect(view, &QLineEdit::textEdited, view,
                   [&model](const QString& text) { model.SetText(text.toStdString()); });
}

void Bind(controls::ComboBox& model, QComboBox* view) {
  view->setEditable(true);
  view->setInsertPolicy(QComboBox::NoInsert);
  auto update = [&model, view] {
    const QSignalBlocker quiet(view);
    ApplyControl(model, view);
    if (view->count() != static_cast<int>(model.Items().size())) {
      view->clear();
      for (const auto& item : model.Items()) view->addItem(FromModel(item));
    }
    view->setCurrentIndex(model.ItemIndex());
    const QString text = FromModel(model.Text());
    if (view->currentText() != text) view->setEditText(text);
  };
  new Subscription(view, model.changed, update);
  update();
  QObject::connect(view, &QComboBox::activated, view,
                   [&model](int index) { model.SetItemIndex(index); });
  QObject::connect(view, &QComboBox::editTextChanged, view,
                   [&model](const QString& text) { model.SetText(text.toStdString()); });
}

void Bind(controls::ListBox& model, QListWidget* view) {
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto update = [&model, view] {
    const QSignalBlocker quiet(view);
    ApplyControl(model, view);
    bool same = view->count() == static_cast<int>(model.Count());
    for (int i = 0; same && i < view->count(); ++i) {
      same = view->item(i)->text() == FromModel(model.Items()[static_cast<std::size_t>(i)]);
    }
    if (!same) {
      view->clear();
      for (const auto& item : model.Items()) view->addItem(FromModel(item));
    }
    for (int i = 0; i < view->count(); ++i) {
      view->item(i)->setSelected(model.Selected(static_cast<std::size_t>(i)));
    }
  };
  new Subscription(view, model.changed, update);
  update();
  QObject::connect(view, &QListWidget::itemSelectionChanged, view, [&model, view] {
    for (int i = 0; i < view->count(); ++i) {
      model.SetSelected(static_cast<std::size_t>(i), view->item(i)->isSelected());
    }
  });
}

void Bind(controls::Memo& model, QPlainTextEdit* view) {
  // What the widget shows: the model's text up to `shown` at revision `revision`.
  struct Shown {
    std::size_t revision = static_cast<std::size_t>(-1);
    std::size_t size = 0;
    bool pending = false;
    bool drawing = false;  // the widget's own text changes are not the engineer's edits
  };
  auto shown = std::make_shared<Shown>();
  FollowTheEnd* follow = view->isReadOnly() ? new FollowTheEnd(view) : nullptr;
  auto redraw = [&model, view, shown, follow] {
    shown->pending = false;
    shown->drawing = true;
    ApplyVisible(model.Visible(), view);
    const std::string& text = model.Text();
    auto change = [&] {
      if (shown->revision != model.Revision() || text.size() < shown->size) {
        view->setPlainText(Displayed(text));
      } else if (text.size() > shown->size) {
        // A CR shown last may pair with an LF now: redraw from the start of that line break.
        std::size_t from = shown->size;
        if (from > 0 && text[from - 1] == '\r') --from;
        QTextCursor end(view->document());
        end.movePosition(QTextCursor::End);
        if (from < shown->size) end.deletePreviousChar();
        end.insertText(Displayed(std::string_view(text).substr(from)));
      }
    };
    const bool changed = shown->revision != model.Revision() || text.size() != shown->size;
    if (follow != nullptr && changed) {
      follow->Keeping(change);
    } else {
      change();
    }
    shown->revision = model.Revision();
    shown->size = text.size();
    shown->drawing = false;
  };
  new Subscription(view, model.changed, [view, shown, redraw] {
    if (shown->pending) return;
    shown->pending = true;
    QTimer::singleShot(0, view, redraw);
  });
  redraw();
  if (!view->isReadOnly()) {
    QObject::connect(view, &QPlainTextEdit::textChanged, view, [&model, view, shown] {
      if (shown->pending || shown->drawing) return;
      std::string text = view->toPlainText().toStdString();
      std::string with_breaks;
      for (char c : text) {
        if (c == '\n') with_breaks += '\r';
        with_breaks += c;
      }
      if (with_breaks == model.Text()) return;
      model.SetText(with_breaks);
      shown->revision = model.Revision();
      shown->size = model.Text().size();
      shown->pending = false;
    });
  }
}

}  // namespace kestrel::widgets
