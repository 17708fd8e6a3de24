// inventory: the window program. It takes no arguments; it ends when the main window is closed.
#include <QApplication>
#include <memory>

#include "app/app_title.h"
#include "app/mail_client.h"
#include "app/qt/window.h"
#include "app/system_clock.h"
#include "common/text.h"
#include "platform/file_system.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  platform::SystemFileSystem files;
  app::SystemClock clock;
  // The window always runs with the settings compiled into the installation.
  const app::Settings settings = app::DefaultSettings();
  std::unique_ptr<directory::MailDirectory> mail = app::MailClientFor(files, settings);
  // Message boxes are captioned with the program's own file name, as the title rule forms it.
  app::qt::TForm1 form1(app::ApplicationTitle(common::PathToText(argc > 0 ? argv[0] : "")), [&](common::LogSink& log) {
    return std::make_unique<app::Inventory>(files, clock, *mail, log, settings);
  });
  form1.show();
  return QApplication::exec();
}
