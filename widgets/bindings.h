#pragma once

#include <functional>

#include "controls/control.h"
#include "controls/list_box.h"
#include "controls/memo.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QWidget;

namespace kestrel::widgets {

// Each Bind keeps a widget in step with its control model for as long as the widget lives,
// and hands the engineer's edits back to the model; the model stays the one source of
// truth. The model must outlive the widget.
//
// Visibility: a widget is shown or hidden when its model's visible state changes. A page of a
// tab widget is never shown by its binding (its tab widget shows it when it is the current
// page); its model's visible state shows or hides its tab.

// Enabled and visible state, and the caption where the widget has one.
void Bind(controls::Control& model, QWidget* view);
// A button also runs `on_click` through the event dispatcher.
void Bind(controls::Control& model, QAbstractButton* view, std::function<void()> on_click);
// Check boxes and radio buttons.
void Bind(controls::CheckBox& model, QAbstractButton* view);
// A panel used as a button: caption, colour, enabled and visible state, and its click.
void Bind(controls::Panel& model, QAbstractButton* view, std::function<void()> on_click);
void Bind(controls::ProgressBar& model, QProgressBar* view);
// Calls `update` whenever `notifier` fires, for as long as `widget` lives.
void Follow(QWidget* widget, controls::Notifier& notifier, std::function<void()> update);
// Runs `handler` through the event dispatcher when the widget is double-clicked.
void OnDoubleClick(QWidget* view, std::function<void()> handler);
void Bind(controls::Edit& model, QLineEdit* view);
void Bind(controls::ComboBox& model, QComboBox* view);
void Bind(controls::ListBox& model, QListWidget* view);
// Redraws are batched: a log pane that receives thousands of chunks appends what is new
// once per turn of the event loop. A read-only pane follows its text as a terminal does: at
// the end unless the engineer has scrolled up.
void Bind(controls::Memo& model, QPlainTextEdit* view);

}  // namespace kestrel::widgets
