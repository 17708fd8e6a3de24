// Wiring tests of the main window under the offscreen platform; the logic beneath it has its own tests.
#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "app/app_title.h"
#include "app/inventory.h"
#include "app/qt/window.h"
#include "common/error.h"
#include "tests/app/recording_stages.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

using testing_support::TempFolder;

namespace {

using app::qt::TForm1;

// A window over a fake inventory on a temporary survey folder.
struct Fixture {
  explicit Fixture(const common::Text& title = u"inventory") {
    form = std::make_unique<TForm1>(title, [this](common::LogSink& log) {
      auto inventory = std::make_unique<FakeInventory>(log, common::PathToText(folder.Path()));
      fake = inventory.get();
      return inventory;
    });
  }
  QString Path(const char* name) const { return QString::fromStdString(folder.Path() + name); }
  // Another window takes the focus, then the form gets it back; false when either never became active.
  bool ActivateAgain() {
    QWidget other;
    other.show();
    other.activateWindow();
    if (!QTest::qWaitForWindowActive(&other)) return false;
    form->activateWindow();
    return QTest::qWaitForWindowActive(form.get());
  }

  TempFolder folder;
  FakeInventory* fake = nullptr;
  std::unique_ptr<TForm1> form;
};

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  Qt::WindowModality modality;
};

// Watches for message boxes, writes down what each showed and dismisses it with its OK button.
class BoxWatcher {
 public:
  BoxWatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
  }
  std::vector<SeenBox> boxes;

 private:
  void Poll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible() || seen_.count(box)) continue;
      seen_.insert(box);
      boxes.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->windowModality()});
      box->button(QMessageBox::Ok)->click();
    }
  }
  QTimer timer_;
  std::set<QMessageBox*> seen_;
};

QStringList MemoLines(const TForm1& form) {
  QString text = form.Memo1->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void LayoutMatchesTheDesign() {
    Fixture f;
    TForm1& form = *f.form;
    QCOMPARE(form.windowTitle(), QStringLiteral("БД ЭФЛ"));
    QCOMPARE(form.size(), QSize(592, 401));
    QCOMPARE(form.Button1->geometry(), QRect(8, 8, 576, 25));
    QCOMPARE(form.Button1->text(), QStringLiteral("Пополнить"));
    QVERIFY(form.Button1->isEnabled());
    QCOMPARE(form.Memo1->geometry(), QRect(8, 39, 576, 354));
    QCOMPARE(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(form.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QVERIFY(!form.Memo1->isReadOnly());
    QVERIFY(form.Memo1->toPlainText().isEmpty());
    QCOMPARE(form.nextInFocusChain(), static_cast<QWidget*>(form.Button1));
    QCOMPARE(form.Button1->nextInFocusChain(), static_cast<QWidget*>(form.Memo1));
    QVERIFY(form.Button1->focusPolicy() & Qt::TabFocus);
    QVERIFY(form.Memo1->focusPolicy() & Qt::TabFocus);
    QVERIFY(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(form.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(form.minimumSize() != form.maximumSize());  // the frame is sizeable
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
      QCOMPARE(form.font().family(), QStringLiteral("Tahoma"));
      QCOMPARE(form.font().pointSize(), 8);
    } else {
      QCOMPARE(form.font(), QApplication::font());
    }
  }

  void ResizingMovesNeitherControl() {
    Fixture f;
    f.form->show();
    for (QSize size : {QSize(900, 700), QSize(200, 120), QSize(592, 401)}) {
      f.form->resize(size);
      QCoreApplication::processEvents();
      QCOMPARE(f.form->size(), size);
      QCOMPARE(f.form->Button1->geometry(), QRect(8, 8, 576, 25));
      QCOMPARE(f.form->Memo1->geometry(), QRect(8, 39, 576, 354));
    }
  }

  void FirstActivationRunsOnce() {
    Fixture f;
    QCOMPARE(f.fake->activations, 0);  // not at construction
    f.form->show();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QCOMPARE(f.fake->activations, 1);
    QVERIFY(f.ActivateAgain());
    QCOMPARE(f.fake->activations, 1);
  }

  void FailedActivationShowsTheErrorAndLeavesTheButtonEnabled() {
    Fixture f;
    f.fake->activation_error = u"ADOConnection: Database folder not found";
    BoxWatcher watcher;
    f.form->show();
    QTRY_COMPARE(watcher.boxes.size(), size_t{1});
    QCOMPARE(watcher.boxes[0].text, QStringLiteral("ADOConnection: Database folder not found."));
    QCOMPARE(watcher.boxes[0].title, QStringLiteral("inventory"));
    QVERIFY(f.form->Button1->isEnabled());
    // Not retried when the window is activated again.
    QVERIFY(f.ActivateAgain());
    QCOMPARE(f.fake->activations, 1);
    QCOMPARE(watcher.boxes.size(), size_t{1});
  }

  void TwoRunsAccumulateLogLines() {
    Fixture f;
    f.folder.Write("PC-1.txt");
    f.folder.Write("PC-2.TXT");
    f.folder.Write("PC-1.nfo");
    f.form->show();
    QTest::mouseClick(f.form->Button1, Qt::LeftButton);
    QVERIFY(f.form->Button1->isEnabled());
    QStringList first = MemoLines(*f.form);
    QCOMPARE(QSet<QString>(first.begin(), first.end()), QSet<QString>({f.Path("PC-1.txt"), f.Path("PC-2.TXT")}));
    QTest::mouseClick(f.form->Button1, Qt::LeftButton);
    QVERIFY(f.form->Button1->isEnabled());
    QStringList both = MemoLines(*f.form);
    QCOMPARE(both.size(), 4);
    QCOMPARE(both.mid(0, 2), first);
    QCOMPARE(QSet<QString>(both.begin() + 2, both.end()), QSet<QString>(first.begin(), first.end()));
    QCOMPARE(f.fake->stages.calls.size(), size_t{12});
  }

  void EveryLineShowsInOrderWithTheNewestInView() {
    Fixture f;
    QStringList expected;
    for (int i = 0; i < 60; ++i) {
      f.folder.Write("PC-" + std::to_string(i) + ".txt");
      expected << f.Path(("PC-" + std::to_string(i) + ".txt").c_str());
    }
    f.form->show();
    QScrollBar* bar = f.form->Memo1->verticalScrollBar();
    for (int run = 1; run <= 2; ++run) {
      bar->setValue(0);  // the operator scrolled back to read
      QTest::mouseClick(f.form->Button1, Qt::LeftButton);
      QStringList lines = MemoLines(*f.form);
      QCOMPARE(lines.size(), 60 * run);
      lines = lines.mid(60 * (run - 1));
      QCOMPARE(QSet<QString>(lines.begin(), lines.end()), QSet<QString>(expected.begin(), expected.end()));
      QVERIFY(bar->maximum() > 0);
      QCOMPARE(bar->value(), bar->maximum());
    }
  }

  void LogStepAppendsThenProcessesPendingEvents() {
    Fixture f;
    f.folder.Write("PC-1.txt");
    f.form->Memo1->setPlainText(QStringLiteral("typed by the operator"));
    bool timer_ran = false;
    bool button_disabled_meanwhile = false;
    QStringList lines_meanwhile;
    // A timer that is already due when the survey stage logs: only a full round of event processing runs it.
    f.fake->during_get_exchange = [&] {
      QTimer::singleShot(1, [&] { timer_ran = true; });
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    f.fake->after_add_data = [&] {
      QVERIFY(timer_ran);
      lines_meanwhile = MemoLines(*f.form);
      button_disabled_meanwhile = !f.form->Button1->isEnabled();
    };
    f.form->show();
    QTest::mouseClick(f.form->Button1, Qt::LeftButton);
    QVERIFY(timer_ran);
    QVERIFY(button_disabled_meanwhile);
    QCOMPARE(lines_meanwhile, QStringList({QStringLiteral("typed by the operator"), f.Path("PC-1.txt")}));
  }

  void FailingStageShowsOneBoxAndLeavesTheButtonDisabled() {
    Fixture f(app::ApplicationTitle(u"C:\\Program Files\\Inventory\\ABC.EXE"));
    f.folder.Write("PC-1.txt");
    f.folder.Write("PC-1.nfo");
    f.fake->stages.fail_at = "AddData";
    f.fake->stages.fail_message = u"List index out of bounds (3)";
    f.form->show();
    {
      BoxWatcher watcher;
      QTest::mouseClick(f.form->Button1, Qt::LeftButton);
      QTest::qWait(50);  // a second box, if any, would show meanwhile
      QCOMPARE(watcher.boxes.size(), size_t{1});
      QCOMPARE(watcher.boxes[0].title, QStringLiteral("Abc"));
      QCOMPARE(watcher.boxes[0].text, QStringLiteral("List index out of bounds (3)"));
      QCOMPARE(watcher.boxes[0].icon, QMessageBox::Critical);
      QCOMPARE(watcher.boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
      QCOMPARE(watcher.boxes[0].modality, Qt::ApplicationModal);
    }
    QVERIFY(!f.form->Button1->isEnabled());
    QCOMPARE(f.fake->stages.calls.size(), size_t{2});  // no info files, no merge, connection not closed
    QCOMPARE(f.fake->stages.calls.back(), "AddData " + f.folder.Path() + "PC-1.txt");
    QVERIFY(f.form->isVisible());  // the window stays up and usable
  }

  void MessageEndingInALetterGainsAFullStop() {
    Fixture f(app::ApplicationTitle(u"/usr/bin/inventory"));
    f.fake->stages.fail_at = "GetExchange";
    f.fake->stages.fail_message = u"ADOCommand: Parameter 'HSOT' not found";
    f.form->show();
    BoxWatcher watcher;
    QTest::mouseClick(f.form->Button1, Qt::LeftButton);
    QCOMPARE(watcher.boxes.size(), size_t{1});
    QCOMPARE(watcher.boxes[0].title, QStringLiteral("inventory"));
    QCOMPARE(watcher.boxes[0].text, QStringLiteral("ADOCommand: Parameter 'HSOT' not found."));
    QCOMPARE(f.fake->stages.calls, std::vector<std::string>{"GetExchange"});
  }

  void CloseDuringARunWaitsForTheRunToEnd() {
    Fixture f;
    f.folder.Write("PC-1.txt");
    f.folder.Write("PC-2.txt");
    bool visible_after_close = false;
    f.fake->after_add_data = [&] {
      f.form->close();
      visible_after_close = f.form->isVisible();
    };
    f.form->show();
    QTest::mouseClick(f.form->Button1, Qt::LeftButton);
    QVERIFY(visible_after_close);
    QCOMPARE(f.fake->stages.calls.size(), size_t{5});  // both files, the merge and the close all ran
    QCOMPARE(f.fake->stages.calls.back(), "CloseConnectionIfConnected");
    QVERIFY(!f.form->isVisible());
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
