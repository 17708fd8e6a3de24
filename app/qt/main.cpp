// inventory: the window program. It takes no arguments; it ends when the main window is closed.
#include <QApplication>

#include "app/app_title.h"
#include "app/mail_client.h"
#include "app/qt/window.h"
#include "common/text.h"
#include "platform/file_system.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  platform::SystemFileSystem files;
  app::InstallMailClient(files, app::DefaultSettings());
  // Message boxes are captioned with the program's own file name, as the title rule forms it.
  app::qt::TForm1 form1(app::ApplicationTitle(common::PathToText(argc > 0 ? argv[0] : "")),
                        app::qt::DefaultInventory(files));
  form1.show();
  return QApplication::exec();
}
