// The first activation on an X server that no window manager runs (kiosks, some remote sessions):
// nothing hands out focus there, yet the window must prepare the database as it does elsewhere.
// Run by tests/app/qt/bare_x_server.sh, which starts Xvfb alone and sets DISPLAY and QT_QPA_PLATFORM=xcb.
#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QtTest>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/inventory.h"
#include "app/qt/window.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_settings.h"

using testing_support::TempFolder;

namespace {

class FirstActivationTest : public QObject {
  Q_OBJECT

 private slots:
  void PreparesTheDatabaseWithoutAWindowManager() {
    TempFolder share;
    share.MakeFolder("DB");
    const common::Text folder = common::PathToText(share.Path());
    app::qt::TForm1 form(u"inventory", [&](common::LogSink& log) {
      return std::make_unique<app::Inventory>(testing_support::SystemFiles(), testing_support::TestClock(),
                                              testing_support::UnusedMail(), log,
                                              testing_support::TestSettings(folder));
    });
    form.show();
    QTRY_VERIFY(std::filesystem::exists(share.Path() + "DB/users.dbf"));
    QVERIFY(form.isActiveWindow());
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms/libqxcb.so");
  if (!QFile::exists(plugin)) {
    std::printf("skipped: Qt's xcb platform plugin is not installed (%s)\n", qPrintable(plugin));
    return 77;
  }
  QApplication application(argc, argv);
  FirstActivationTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "first_activation_test.moc"
