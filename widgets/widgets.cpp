#include "widgets/widgets.h"

#include <QFontDatabase>

namespace kestrel::widgets {

namespace {
// Turns whatever is typed into upper case, as the exchange's names are.
void UpperCaseInput(QLineEdit* edit) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
    if (text == text.toUpper()) return;
    const int cursor = edit->cursorPosition();
    edit->setText(text.toUpper());
    edit->setCursorPosition(cursor);
  });
}
}  // namespace

void KeepRoomWhenHidden(QWidget* widget) {
  QSizePolicy policy = widget->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  widget->setSizePolicy(policy);
}

QLabel* Widgets::Label(const char* name, const QString& caption) {
  return Named(new QLabel(caption, parent_), name);
}

QPushButton* Widgets::Button(const char* name, const QString& caption, bool enabled) {
  auto* button = Named(new QPushButton(caption, parent_), name);
  button->setEnabled(enabled);
  return button;
}

QCheckBox* Widgets::Check(const char* name, const QString& caption, bool checked) {
  auto* box = Named(new QCheckBox(caption, parent_), name);
  box->setChecked(checked);
  return box;
}

QLineEdit* Widgets::Edit(const char* name, const QString& text, bool upper_case) {
  auto* edit = Named(new QLineEdit(text, parent_), name);
  if (upper_case) UpperCaseInput(edit);
  return edit;
}

QComboBox* Widgets::Combo(const char* name, const std::vector<std::string>& items,
                          const QString& text, int index, bool upper_case) {
  auto* combo = Named(new QComboBox(parent_), name);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  for (const auto& item : items) combo->addItem(QString::fromStdString(item));
  combo->setCurrentIndex(index);
  combo->setEditText(text);
  if (upper_case) UpperCaseInput(combo->lineEdit());
  return combo;
}

QListWidget* Widgets::List(const char* name) { return Named(new QListWidget(parent_), name); }

QPlainTextEdit* Widgets::Memo(const char* name, bool read_only) {
  auto* memo = Named(new QPlainTextEdit(parent_), name);
  memo->setReadOnly(read_only);
  // Tab goes on to the next control, as everywhere else in the window: a tab typed into a
  // cell list would only make a line that names no cell.
  memo->setTabChangesFocus(true);
  return memo;
}

QFont PaneFont(const QStringList& families) {
  if (families.contains("Fixedsys", Qt::CaseInsensitive)) {
    QFont font("Fixedsys");
    font.setStyleHint(QFont::TypeWriter);
    return font;
  }
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

QPlainTextEdit* Widgets::Terminal(const char* name) {
  auto* memo = Memo(name, true);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setFont(PaneFont(QFontDatabase::families()));
  memo->setStyleSheet("QPlainTextEdit { color: white; background: #1d3b5c; }");
  return memo;
}

}  // namespace kestrel::widgets
