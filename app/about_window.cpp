#include "app/about_window.h"

#include <QHBoxLayout>
#include <QLabel>

namespace kestrel::app {

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setObjectName("Form4");
  setWindowTitle("About");
  setModal(true);
  auto* picture = new QLabel(this);
  picture->setPixmap(QPixmap(":/kestrel/kestrel.png")
                         .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  auto* text = new QLabel(
      "Kestrel ver 2.2\n\n"
      "Routine MML jobs for the Ericsson BSCs and MSCs\n"
      "of the operations centre, over the command gateway.",
      this);
  text->setFrameShape(QFrame::NoFrame);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture, 0, Qt::AlignTop);
  layout->addWidget(text);
  setFixedSize(sizeHint());
}

}  // namespace kestrel::app
