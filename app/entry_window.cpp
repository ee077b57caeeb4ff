#include "app/entry_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QImageReader>
#include <QLabel>
#include <QStyle>

#include "platform/dispatch.h"

namespace kestrel::app {

namespace {

QToolButton* SpeedButton(QWidget* parent, const QRect& place, const QString& caption,
                         QStyle::StandardPixmap glyph) {
  auto* button = new QToolButton(parent);
  button->setGeometry(place);
  button->setText(caption);
  button->setIcon(parent->style()->standardIcon(glyph));
  button->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly
                                               : Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(true);
  button->setCursor(Qt::PointingHandCursor);
  button->setStyleSheet(
      "QToolButton { color: white; font-weight: bold; font-size: 16px; background: transparent; "
      "border: none; } QToolButton:hover { background: rgba(255, 255, 255, 40); }");
  return button;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  setObjectName("Form1");
  setWindowTitle("Kestrel");
  setFixedSize(335, 127);

  auto* Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setGeometry(rect());
  Image1->setScaledContents(true);
  QImageReader picture(":/kestrel/entry.jpg");  // decoded by the JPEG image plugin
  Image1->setPixmap(QPixmap::fromImageReader(&picture));

  SpeedButton1 = SpeedButton(this, {224, 8, 97, 33}, "Giris", QStyle::SP_ArrowRight);
  SpeedButton2 = SpeedButton(this, {224, 56, 97, 33}, "Cixis", QStyle::SP_DialogCloseButton);
  SpeedButton3 = SpeedButton(this, {5, 8, 41, 30}, "", QStyle::SP_MessageBoxInformation);
  SpeedButton1->setObjectName("SpeedButton1");
  SpeedButton2->setObjectName("SpeedButton2");
  SpeedButton3->setObjectName("SpeedButton3");
  SpeedButton3->setToolTip("About");
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { platform::Dispatch(OnGiris); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { platform::Dispatch(OnCixis); });
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { platform::Dispatch(OnAbout); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  QCoreApplication::quit();
}

}  // namespace kestrel::app
