// The window runtime: event binding, program-only writes, the Qt waits,
// window loading and the program's start and end.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <ctime>

#include "app/main_window.h"
#include "app/message_window.h"
#include "app/program_start.h"
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

  // 按钮1 is the default button: Enter in the seed box is a click on it.
  void enterInTheSeedBoxQueries() {
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>();
    QTest::keyClick(Find<QLineEdit>(window.get(), "编辑框1"), Qt::Key_Return);
    QCOMPARE(MessageLog::Texts(), QStringList{QString::fromUtf8("请输入想要挖掘的关键词")});
  }

  void editBoxesKeepTheProgramsLineEnds() {
    QPlainTextEdit widget;
    PlainEditBox box(&widget);
    box.SetContent("鲜花\r\n花店"_gbk);
    box.InsertAtEnd("\r\n花束\r\n"_gbk);
    QCOMPARE(widget.toPlainText(), QString::fromUtf8("鲜花\n花店\n花束\n"));
    QCOMPARE(box.Content(), "鲜花\r\n花店\r\n花束\r\n"_gbk);
    box.SetContent({});
    QCOMPARE(box.Content(), Text{});
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

  // The program runs until its last window closes, whichever that is, then
  // releases its globals once.
  void programEndsWhenItsLastWindowCloses() {
    ExitLog::runs = 0;
    QPointer<MainWindow> main;
    bool message_open_after_main_closed = false;
    QTimer::singleShot(100, [&] {
      main->OpenMessageWindow();
      main->close();
      QTimer::singleShot(100, [&] {
        message_open_after_main_closed = main->OpenMessage() != nullptr;
        main->OpenMessage()->close();
      });
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
    QVERIFY(message_open_after_main_closed);
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
