#include "app/qt/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <utility>

namespace app::qt {

namespace {

QString ToQString(common::TextView text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The window was designed at 96 pixels per inch in Tahoma 8; where Tahoma is missing the system's own
// interface font is kept rather than a look-alike chosen by font matching.
void ApplyDesignFont(QWidget& window) {
  if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) window.setFont(QFont(QStringLiteral("Tahoma"), 8));
}

}  // namespace

TForm1::TForm1(common::Text application_title, const InventoryFactory& make_inventory, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint),
      application_title_(std::move(application_title)),
      inventory_(make_inventory(*this)),
      controller_(*inventory_),
      log_([this](const std::vector<common::Text>& lines) { ShowLines(lines); }) {
  // What a line shows is on disk before it shows.
  log_.SetBeforeShow([this] { inventory_->Commit(); });
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("БД ЭФЛ"));
  ApplyDesignFont(*this);
  // Client area; the frame comes on top, and the window system picks the position.
  resize(592, 401);

  // No layout: the controls keep their place and size whatever the window's size.
  Button1 = new QPushButton(QStringLiteral("Пополнить"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(8, 8, 576, 25);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(8, 39, 576, 354);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setReadOnly(false);

  setTabOrder(Button1, Memo1);
  QObject::connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

TForm1::~TForm1() = default;

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && controller_.activation_pending()) FormActivate();
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Where no window manager hands out focus (a bare X server: kiosks, some remote sessions) nothing
  // would ever activate the window, and the first activation would never come. So the window asks for
  // it when it is shown before its first activation; under a window manager that asks for what the
  // manager does for a new window anyway, and FormActivate still runs once, on that activation.
  if (controller_.activation_pending() && !isActiveWindow()) activateWindow();
}

void TForm1::FormActivate() {
  if (std::optional<common::Text> failure = controller_.Activate()) ShowFailure(*failure);
}

void TForm1::Button1Click() {
  Button1->setEnabled(false);
  std::optional<common::Text> failure = controller_.Refresh([this] { log_.Flush(); });
  if (failure) ShowFailure(*failure);
  Button1->setEnabled(controller_.button_enabled());
  if (controller_.close_pending()) close();
}

void TForm1::Log(const common::Text& line) { log_.Log(line); }

void TForm1::ShowLines(const std::vector<common::Text>& lines) {
  QString text;
  for (const common::Text& line : lines) {
    if (&line != &lines.front()) text += QLatin1Char('\n');
    text += ToQString(line);
  }
  Memo1->appendPlainText(text);
  Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
  // Posted events first (they may post more), then everything the window system has queued.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TForm1::ShowFailure(const common::Text& text) {
  QWidget* owner = QApplication::activeWindow() ? QApplication::activeWindow() : this;
  QMessageBox box(QMessageBox::Critical, ToQString(application_title_), ToQString(text), QMessageBox::Ok, owner);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A run is not interrupted: the request is kept and honoured when the run has ended.
  if (!controller_.RequestClose()) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace app::qt
