// The window runtime: event binding, program-only writes, the Qt waits,
// window loading and the program's start and end.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <ctime>

#include "app/file_dialog_control.h"
#include "app/hyperlink_label.h"
#include "app/main_window.h"
#include "app/message_window.h"
#include "app/program_start.h"
#include "app/qt_ui_port.h"
#include "app/skin_library.h"
#include "app/widget_controls.h"
#include "app/window_loader.h"
#include "platform/image_call.h"
#include "runtime/file_writer.h"
#include "runtime/gbk.h"
#include "runtime/ui_port.h"

#include "support/pe_image_builder.h"
#include "tests/app/app_test_support.h"

namespace kestrilo::testing {
namespace {

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A window whose table names a control it does not have.
class BrokenWindow : public QWidget {
 public:
  BrokenWindow() { (new QLineEdit(this))->setObjectName(QStringLiteral("edit")); }
  static std::span<const EventBinding<BrokenWindow>> Bindings() {
    static const EventBinding<BrokenWindow> bindings[] = {
        {"edit", ControlEvent::kContentChanged, &BrokenWindow::Handle},
        {"edit", ControlEvent::kClicked, &BrokenWindow::Handle},  // no such event
        {"missing", ControlEvent::kClicked, &BrokenWindow::Handle},
    };
    return bindings;
  }
  void Handle() {}
};

struct ExitLog {
  static inline int runs = 0;
  static inline bool globals_released_first = false;
  static inline bool windows_gone = false;
  static void Record() {
    ++runs;
    globals_released_first = !SkinLibraryHolderExists();
    const QWidgetList windows = QApplication::topLevelWidgets();
    windows_gone =
        std::none_of(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); });
  }
};

// A main window shown and active, so that focus and keys work as on a
// desktop.
std::unique_ptr<MainWindow> ActiveMainWindow(MainWindowSettings settings = {}) {
  std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>(std::move(settings));
  QApplication::setActiveWindow(window.get());
  if (!QTest::qWaitForWindowActive(window.get())) qWarning("the main window is not active");
  return window;
}

class WindowRuntimeTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { MessageLog::Clear(); }

  void onlyTheUsersEditsRaiseContentChanged() {
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>();
    auto* seed = Find<QLineEdit>(window.get(), "编辑框1");
    auto* results = Find<QPlainTextEdit>(window.get(), "编辑框2");
    window->ResultBox().SetContent("甲\r\n乙"_gbk);
    window->KeywordBox().SetContent("手机"_gbk);
    window->KeywordBox().InsertAtEnd("壳"_gbk);
    QCOMPARE(results->toPlainText(), QString::fromUtf8("甲\n乙"));

    QTest::keyClick(seed, Qt::Key_A);
    QCOMPARE(results->toPlainText(), QString());
    window->ResultBox().SetContent("丙"_gbk);
    QTest::keyClick(seed, Qt::Key_Backspace);
    QCOMPARE(results->toPlainText(), QString());
    QCOMPARE(window->KeywordBox().Content(), "手机壳"_gbk);
  }

  // Enter presses the focused button; anywhere else it presses 按钮1, the
  // default button. Each button's handler is told by what it says.
  void enterPressesTheFocusedButtonElseTheQueryButton_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("said");
    const QString query = QString::fromUtf8("请输入想要挖掘的关键词");
    QTest::newRow("seed box") << QString::fromUtf8("编辑框1") << query;
    QTest::newRow("query button") << QString::fromUtf8("按钮1") << query;
    QTest::newRow("export button") << QString::fromUtf8("按钮2") << QString::fromUtf8("数据为空");
    QTest::newRow("feedback button")
        << QString::fromUtf8("按钮3") << QString::fromUtf8("调用腾讯官方接口，可放心留言");
    QTest::newRow("number box") << QString::fromUtf8("编辑框3") << query;
    QTest::newRow("link") << QString::fromUtf8("超级链接框1") << QString();
  }

  void enterPressesTheFocusedButtonElseTheQueryButton() {
    QFETCH(QString, focus);
    QFETCH(QString, said);
    QStringList opened;
    const HyperlinkLabel::Openers saved = HyperlinkLabel::SetOpeners(
        {[&](const QUrl& url) { return opened << url.toString(), true; }, {}});
    MainWindowSettings settings;
    settings.contact.feedback_address = QStringLiteral("about:blank");
    const std::unique_ptr<MainWindow> window = ActiveMainWindow(settings);
    QWidget* target = Find<QWidget>(window.get(), focus.toUtf8().constData());
    target->setFocus();

    QTest::keyClick(target, Qt::Key_Return);

    HyperlinkLabel::SetOpeners(saved);
    QCOMPARE(MessageLog::Texts(), said.isEmpty() ? QStringList() : QStringList{said});
    QCOMPARE(opened.size(), said.isEmpty() ? 1 : 0);
    if (window->OpenMessage()) window->OpenMessage()->close();
  }

  // Without a browser the link shows its address, so that it can be copied.
  void linkWithoutABrowserShowsItsAddress() {
    const HyperlinkLabel::Openers saved = HyperlinkLabel::SetOpeners(
        {[](const QUrl&) { return false; }, [](const QString&) { return false; }});
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>();
    auto* link = Find<HyperlinkLabel>(window.get(), "超级链接框1");

    QTest::mouseClick(link, Qt::LeftButton);

    HyperlinkLabel::SetOpeners(saved);
    QCOMPARE(MessageLog::Texts(),
             QStringList{QString::fromUtf8("无法打开浏览器，请手动访问：") + link->address()});
  }

  // Tab and Shift+Tab walk the controls in their order and never type into
  // the list.
  void tabMovesFocusInTheControlsOrder() {
    const std::unique_ptr<MainWindow> window = ActiveMainWindow();
    window->ResultBox().SetContent("甲\r\n乙"_gbk);
    Find<QWidget>(window.get(), "编辑框1")->setFocus();
    QStringList walked;
    for (int i = 0; i < 7; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      walked << QApplication::focusWidget()->objectName();
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    walked << QApplication::focusWidget()->objectName();

    QCOMPARE(walked,
             QString::fromUtf8("按钮1 按钮2 编辑框2 编辑框3 超级链接框1 按钮3 编辑框1 按钮3")
                 .split(QLatin1Char(' ')));
    QCOMPARE(window->ResultBox().Content(), "甲\r\n乙"_gbk);
  }

  // Qt's own texts are Chinese, and a box stands over the window that
  // raised it, wide enough for its title.
  void messageBoxIsChineseAndCentredOnItsWindow() {
    const std::unique_ptr<MainWindow> window = ActiveMainWindow();
    QtUiPort real_boxes;
    ScopedUiPort installed(real_boxes);
    QString button;
    QRect box_frame;
    int title_room = 0;
    QTimer::singleShot(100, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      button = box->buttons().value(0)->text();
      box_frame = box->geometry();
      title_room = box->width() - box->fontMetrics().horizontalAdvance(box->windowTitle());
      box->accept();
    });

    MsgBox("短"_gbk);

    QCOMPARE(button, QString::fromUtf8("确定"));
    QVERIFY2((box_frame.center() - window->geometry().center()).manhattanLength() < 40,
             qPrintable(QStringLiteral("box at %1,%2").arg(box_frame.x()).arg(box_frame.y())));
    QVERIFY(title_room >= 100);
  }

  // Characters GBK cannot hold become "?" as they are typed, as they will be
  // sent.
  void keywordBoxHoldsWhatGbkCan() {
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>();
    auto* seed = Find<QLineEdit>(window.get(), "编辑框1");
    // As an input method commits it: the emoji's two UTF-16 units at once.
    QInputMethodEvent typed;
    typed.setCommitString(QString::fromUtf8("手\U0001F600机"));
    QApplication::sendEvent(seed, &typed);
    QCOMPARE(seed->text(), QString::fromUtf8("手?机"));
    QCOMPARE(seed->cursorPosition(), 3);
  }

  // Inside a keyword a lone "\n" or "\r" is not a line break, although the
  // widget shows one; the user's own edit is read from the widget.
  void editBoxesKeepTheProgramsLineEnds() {
    QPlainTextEdit widget;
    PlainEditBox box(&widget);
    box.SetContent("鲜花\r\n花\n店"_gbk);
    box.InsertAtEnd("\r\n花\r束\r\n"_gbk);
    QCOMPARE(widget.toPlainText().left(8), QString::fromUtf8("鲜花\n花\n店\n花"));
    QCOMPARE(box.Content(), "鲜花\r\n花\n店\r\n花\r束\r\n"_gbk);
    widget.moveCursor(QTextCursor::End);
    QTest::keyClicks(&widget, "x");
    QVERIFY(box.Content().ends_with("\r\nx"));
    box.SetContent({});
    QCOMPARE(box.Content(), Text{});
  }

  // The save dialog stays open for a folder that does not exist.
  void saveDialogInsistsOnAnExistingFolder() {
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>();
    const std::unique_ptr<QFileDialog> dialog =
        Find<FileDialogControl>(window.get(), "通用对话框1")->MakeDialog();
    dialog->selectFile(QStringLiteral("/kestrilo-no-such-folder/list.txt"));
    QMetaObject::invokeMethod(dialog.get(), "accept");
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(MessageLog::Texts().size(), 1);
    QVERIFY(MessageLog::Texts()[0].startsWith(QString::fromUtf8("文件夹不存在：")));

    // A folder of the test's own: a list.txt already in the shared temporary
    // folder would make the dialog ask whether to replace it, and wait.
    const QTemporaryDir folder;
    QVERIFY(folder.isValid());
    dialog->selectFile(folder.filePath(QStringLiteral("list.txt")));
    QMetaObject::invokeMethod(dialog.get(), "accept");
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
  }

  // Installed, the program's folder is the system's; the dialog starts where
  // the user may write.
  void exportStartsInAWritableFolder() {
    QCOMPARE(MainWindow::ExportFolderFor(QDir::tempPath()), QDir::tempPath());
    const QString elsewhere =
        MainWindow::ExportFolderFor(QStringLiteral("/kestrilo-no-such-folder"));
    QVERIFY(elsewhere == QDir::homePath() ||
            elsewhere == QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
  }

  void progressShowsPositionsClampedIntoItsRange_data() {
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("shown");
    QTest::newRow("inside") << 30 << 30;
    QTest::newRow("above the maximum shows it full") << 70 << 60;
    QTest::newRow("below the minimum shows it empty") << -5 << 0;
  }

  void progressShowsPositionsClampedIntoItsRange() {
    QFETCH(int, written);
    QFETCH(int, shown);
    QProgressBar widget;
    widget.setRange(0, 60);
    WidgetProgressBar bar(&widget);
    bar.SetPosition(written);
    QCOMPARE(bar.Position(), shown);
  }

  // Timers fire during a wait, and the wait sleeps between them.
  void delayProcessesEventsWithoutSpinning() {
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(20);
    const double cpu_before = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    Delay(400);
    const double cpu = ThreadCpuSeconds() - cpu_before;
    QVERIFY(wall.elapsed() >= 390);
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    QVERIFY2(cpu < 0.2, qPrintable(QString::number(cpu)));
  }

  void brokenDefinitionIsNotShown() {
    BrokenWindow window;
    QCOMPARE(BindEvents<BrokenWindow>(window, BrokenWindow::Bindings()),
             (QStringList{"edit", "missing"}));
    QVERIFY(!ShowDeclaredWindow(window));
    QVERIFY(!window.isVisible());
  }

  // The user's recipe file decides the sources and the bar's length; a bad
  // one is said once, over the window, and the built-ins run instead.
  void userRecipeFileSetsTheSources_data() {
    QTest::addColumn<QByteArray>("toml");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QString>("message");
    QTest::newRow("a seventh source") << QByteArray(
                                             "[[source]]\nname = \"seventh\"\n"
                                             "engine = \"web\"\naddress = \"http://a/{seed}\"\n"
                                             "seed = \"gbk\"\nreply = \"gbk\"\n"
                                             "[[source.cut]]\nitems = ['<b>', '</b>']\n")
                                      << 70 << QString();
    QTest::newRow("a bad file") << QByteArray("[[source]]\nname = \"baidu mobile\"\nenabled = 1\n")
                                << 60
                                << QString::fromUtf8("来源配方文件有误，本次使用内置来源：\r\n") +
                                       qEnvironmentVariable("XDG_CONFIG_HOME") +
                                       "/kestrilo/sources.toml:3: source \"baidu mobile\", key "
                                       "\"enabled\": is an integer; expected true or false";
  }

  void userRecipeFileSetsTheSources() {
    QFETCH(QByteArray, toml);
    QFETCH(int, maximum);
    QFETCH(QString, message);
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + "/kestrilo";
    QVERIFY(QDir().mkpath(folder));
    QFile file(folder + "/sources.toml");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(toml);
    file.close();

    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>();
    QTest::qWait(100);
    file.remove();

    QCOMPARE(Find<QProgressBar>(window.get(), "进度条1")->maximum(), maximum);
    QCOMPARE(MessageLog::Texts(), message.isEmpty() ? QStringList() : QStringList{message});
    MessageLog::Clear();
  }

  void messageWindowIsLoadedOnceAndBroughtToTheFront() {
    MainWindowSettings settings;
    settings.contact.feedback_address = QStringLiteral("about:blank");
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>(settings);
    window->OpenMessageWindow();
    QPointer<MessageWindow> first = window->OpenMessage();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    first->showMinimized();
    window->OpenMessageWindow();
    QCOMPARE(window->OpenMessage(), first.data());
    QVERIFY(!first->isMinimized());
    QCOMPARE(MessageLog::Texts(), QStringList{QString::fromUtf8("调用腾讯官方接口，可放心留言")});

    first->close();
    QTRY_VERIFY(first.isNull());  // deleted once closed
    QVERIFY(window->isVisible());
    window->OpenMessageWindow();  // created afresh
    QVERIFY(window->OpenMessage() != nullptr);
    QCOMPARE(MessageLog::Texts().size(), 2);
    window->OpenMessage()->close();
  }

  // Closing the main window ends the program, 在线留言 with it; the globals
  // are released once.
  void programEndsWhenTheMainWindowCloses() {
    ExitLog::runs = 0;
    QPointer<MainWindow> main;
    QPointer<QWidget> message;
    QTimer::singleShot(100, [&] {
      main->OpenMessageWindow();
      message = main->OpenMessage();
      main->close();
    });
    QDir::setCurrent(QDir::tempPath());

    const int result = ProgramStart([&main]() -> std::unique_ptr<QWidget> {
      // After the program's own ReleaseGlobals, so called after it.
      RegisterExitRoutine(ExitLog::Record);
      RegisterExitRoutine(ExitLog::Record);  // once only
      MainWindowSettings settings;
      settings.contact.feedback_address = QStringLiteral("about:blank");
      auto window = LoadStartWindow<MainWindow>(settings);
      main = window.get();
      return window;
    });

    QCOMPARE(result, 0);
    QVERIFY(message.isNull() || !message->isVisible());
    QVERIFY(main.isNull());
    QCOMPARE(ExitLog::runs, 1);
    QVERIFY(ExitLog::globals_released_first);
    QVERIFY(ExitLog::windows_gone);
    QVERIFY(!SkinLibraryHolderExists());
    // The run directory is the current directory from the start.
    QCOMPARE(QDir::currentPath(), QString::fromStdString(Utf8FromGbk(RunDirectory())));
  }

  // The skin goes to the engine's export unless the system is current.
  void skinIsLeftOffOnlyOnCurrentSystems_data() {
    QTest::addColumn<int>("version_class");
    QTest::addColumn<bool>("applied");
    QTest::newRow("Windows 7 gets the skin") << 9 << true;
    QTest::newRow("Windows 10 keeps the system look") << 12 << false;
    QTest::newRow("unknown versions get the skin") << 0 << true;
  }

  void skinIsLeftOffOnlyOnCurrentSystems() {
    QFETCH(int, version_class);
    QFETCH(bool, applied);
    pe_image::ImageBuilder engine(/*dll=*/false);
    pe_image::AddExports(engine);
    const Bytes image = engine.Build();
    std::vector<std::uintptr_t> calls;
    ScopedImageCallHook hook([&calls](std::uintptr_t address, const ImageCallArgs&) {
      calls.push_back(address);
      return 1u;
    });
    QVERIFY(SkinLibrary().Load(image));
    const std::uintptr_t attach = SkinLibrary().GetProc("SkinH_AttachRes");
    MainWindowSettings settings;
    settings.version_class = [version_class] { return version_class; };

    LoadStartWindow<MainWindow>(settings);
    SkinLibrary().Free();

    QCOMPARE(calls, applied ? std::vector<std::uintptr_t>{attach} : std::vector<std::uintptr_t>{});
  }

  void startWindowThatCannotBeCreatedIsReported() {
    ExitLog::runs = 0;
    RegisterExitRoutine(ExitLog::Record);
    QCOMPARE(ProgramStart([] { return std::unique_ptr<QWidget>(); }), 1);
    QCOMPARE(MessageLog::Texts(), QStringList{QString::fromUtf8("载入启动窗口失败")});
    QCOMPARE(ExitLog::runs, 1);
  }
};

}  // namespace

std::unique_ptr<QObject> MakeWindowRuntimeTest() { return std::make_unique<WindowRuntimeTest>(); }

}  // namespace kestrilo::testing

#include "window_runtime_test.moc"
