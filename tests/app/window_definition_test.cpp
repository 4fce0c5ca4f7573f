// The two windows as their definitions declare them: controls, parents,
// geometry, captions and the values they start with.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

#include "app/file_dialog_control.h"
#include "app/hyperlink_label.h"
#include "app/main_window.h"
#include "app/message_window.h"
#include "app/qt_text.h"
#include "app/status_bar_control.h"
#include "app/timer_control.h"
#include "app/window_loader.h"
#include "runtime/conversion.h"
#include "runtime/file_writer.h"
#include "runtime/gbk.h"

#include "tests/app/app_test_support.h"

namespace kestrilo::testing {
namespace {

QString CaptionOf(const QWidget* control) {
  if (auto* box = qobject_cast<const QGroupBox*>(control)) return box->title();
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  return {};
}

class WindowDefinitionTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { MessageLog::Clear(); }

  void mainWindowControls_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char* name, const char* kind, const char* parent, QRect geometry,
                        const char* caption = "") {
      QTest::newRow(name) << QString::fromUtf8(kind) << QString::fromUtf8(parent) << geometry
                          << QString::fromUtf8(caption);
    };
    row("分组框1", "QGroupBox", "MainWindow", {8, 8, 360, 64}, "欲挖掘的关键词：");
    row("编辑框1", "QLineEdit", "分组框1", {8, 17, 168, 32});
    row("按钮1", "QPushButton", "分组框1", {184, 16, 80, 32}, "查询");
    row("按钮2", "QPushButton", "分组框1", {272, 16, 80, 32}, "导出");
    row("通用对话框1", "kestrilo::FileDialogControl", "分组框1", {136, 0, 26, 26});
    row("分组框2", "QGroupBox", "MainWindow", {8, 80, 360, 336}, "挖出的关键词：");
    row("编辑框2", "QPlainTextEdit", "分组框2", {8, 16, 344, 312});
    row("分组框3", "QGroupBox", "MainWindow", {8, 424, 360, 48}, "进度：");
    row("进度条1", "QProgressBar", "分组框3", {8, 16, 344, 24});
    row("分组框4", "QGroupBox", "MainWindow", {8, 480, 360, 72}, "说明：");
    row("透明标签1", "QLabel", "分组框4", {8, 16, 72, 24}, "软件作者QQ：");
    row("编辑框3", "QLineEdit", "分组框4", {80, 16, 72, 24}, "00000000");
    row("超级链接框1", "kestrilo::HyperlinkLabel", "分组框4", {160, 16, 64, 24}, "联系我们");
    row("按钮3", "QPushButton", "分组框4", {232, 16, 120, 24}, "问题反馈/商务合作");
    row("透明标签2", "QLabel", "分组框4", {8, 40, 344, 24},
        "因受到网络波动、延迟等影响，关键词挖掘进度请根据状态判断");
    // The status bar keeps to the bottom edge of the client area.
    row("状态条1", "kestrilo::StatusBarControl", "MainWindow", {0, 552, 375, 20});
    row("时钟1", "kestrilo::TimerControl", "MainWindow", {320, 552, 26, 26});
  }

  void mainWindowControls() {
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    MainWindowSettings settings;
    settings.contact.qq_number = QStringLiteral("00000000");
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>(settings);
    QVERIFY(window);
    const auto* control = Find<QWidget>(window.get(), QTest::currentDataTag());
    QVERIFY2(control != nullptr, QTest::currentDataTag());
    QVERIFY(control->inherits(kind.toUtf8().constData()));
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(CaptionOf(control), caption);
    QVERIFY(control->isEnabled());
    // The dialog and the timer have no visible form; everything else shows.
    const bool formless = kind.contains("FileDialog") || kind.contains("Timer");
    QCOMPARE(control->isVisible(), !formless);
  }

  void mainWindowStartsAsDeclared() {
    MainWindowSettings settings;
    settings.contact.chat_address = QStringLiteral("https://chat.invalid/k");
    settings.clock = [] { return DateTimeFromParts(2026, 12, 8, 9, 5, 7); };
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>(settings);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Kestrilo"));
    QCOMPARE(window->pos(), QPoint(50, 50));
    QCOMPARE(window->size(), QSize(375, 572));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(!window->windowIcon().pixmap(48, 48).isNull());

    auto* bar = Find<QProgressBar>(window.get(), "进度条1");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 60);
    QCOMPARE(bar->value(), 0);
    auto* results = Find<QPlainTextEdit>(window.get(), "编辑框2");
    QCOMPARE(results->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(!results->isReadOnly());
    QCOMPARE(results->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    auto* seed = Find<QLineEdit>(window.get(), "编辑框1");
    seed->ensurePolished();
    QCOMPARE(seed->font().pixelSize(), 16);
    QVERIFY(Find<QPushButton>(window.get(), "按钮1")->isDefault());
    auto* timer = Find<TimerControl>(window.get(), "时钟1");
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(timer->running());
    QCOMPARE(Find<HyperlinkLabel>(window.get(), "超级链接框1")->address(),
             settings.contact.chat_address);

    auto* dialog = Find<FileDialogControl>(window.get(), "通用对话框1");
    QCOMPARE(dialog->property("dialogType").toInt(), 1);
    QCOMPARE(dialog->NameFilters(), QStringList{QString::fromUtf8("文本文档(*.txt)")});
    QCOMPARE(dialog->property("defaultExtension").toString(), QStringLiteral("txt"));
    QCOMPARE(dialog->property("initialDirectory").toString(), QStringFromGbk(RunDirectory()));
    QVERIFY(dialog->property("fileName").toString().isEmpty());

    // Two parts created at start: the clock, then the status.
    auto* status = Find<StatusBarControl>(window.get(), "状态条1");
    QCOMPARE(status->PartCount(), 2);
    QCOMPARE(status->Part(0)->width(), 170);
    QCOMPARE(status->Part(1)->PartWidth(), 250);
    QCOMPARE(status->Part(0)->text(), QString::fromUtf8("2026年12月8日9时5分7秒"));
    QCOMPARE(status->Part(1)->text(), QString::fromUtf8("等待操作中..."));
    QCOMPARE(window->WindowsVersionClass(), 12);
  }

  void clockText_data() {
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<QString>("shown");
    QTest::newRow("midnight shows the date alone")
        << 0 << 0 << 0 << QString::fromUtf8("2026年3月1日");
    QTest::newRow("ten o'clock shows the hour alone")
        << 10 << 0 << 0 << QString::fromUtf8("2026年3月1日10时");
    QTest::newRow("seconds left out when 0")
        << 23 << 59 << 0 << QString::fromUtf8("2026年3月1日23时59分");
    QTest::newRow("all parts") << 0 << 0 << 1 << QString::fromUtf8("2026年3月1日0时0分1秒");
  }

  void clockText() {
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    QFETCH(QString, shown);
    MainWindowSettings settings;
    settings.clock = [=] { return DateTimeFromParts(2026, 3, 1, hour, minute, second); };
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>(settings);
    QCOMPARE(Find<StatusBarControl>(window.get(), "状态条1")->Part(0)->text(), shown);
  }

  // The widest clock text fits its 170 pixels; the status part ends at the
  // window's edge, and a text too long for it ends in "…".
  void statusPartsFitTheWindow() {
    MainWindowSettings settings;
    settings.clock = [] { return DateTimeFromParts(2026, 12, 28, 23, 59, 59); };
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>(settings);
    auto* status = Find<StatusBarControl>(window.get(), "状态条1");
    status->SetPartText(1, "关键词： 手机壳女款可爱卡通全包防摔硅胶软壳 挖掘已完成！"_gbk);

    QCOMPARE(status->Part(0)->ShownText(), QString::fromUtf8("2026年12月28日23时59分59秒"));
    QVERIFY2(status->Part(1)->geometry().right() < status->width(),
             qPrintable(QStringLiteral("part ends at %1 of %2")
                            .arg(status->Part(1)->geometry().right())
                            .arg(status->width())));
    QVERIFY(status->Part(1)->ShownText().endsWith(QChar(0x2026)));
  }

  // The clock part is rewritten by the timer, once a second.
  void clockTicks() {
    int reads = 0;
    MainWindowSettings settings;
    settings.clock = [&reads] { return DateTimeFromParts(2026, 1, 1, 12, 0, ++reads); };
    const std::unique_ptr<MainWindow> window = LoadStartWindow<MainWindow>(settings);
    QLabel* clock = Find<StatusBarControl>(window.get(), "状态条1")->Part(0);
    QCOMPARE(clock->text(), QString::fromUtf8("2026年1月1日12时0分1秒"));
    QTRY_COMPARE_WITH_TIMEOUT(clock->text(), QString::fromUtf8("2026年1月1日12时0分2秒"), 3000);
  }

  void messageWindowAsDeclared() {
    MessageWindow window(QStringLiteral("about:blank"));
    QCOMPARE(window.windowTitle(), QString::fromUtf8("在线留言"));
    QCOMPARE(window.size(), QSize(617, 465));
    QCOMPARE(window.pos(), QPoint(50, 50));
    QWidget* browser = Find<QWidget>(&window, "超文本浏览框1");
    QVERIFY(browser != nullptr);
    QCOMPARE(browser->geometry(), QRect(0, 0, 616, 464));
  }
};

}  // namespace

std::unique_ptr<QObject> MakeWindowDefinitionTest() {
  return std::make_unique<WindowDefinitionTest>();
}

}  // namespace kestrilo::testing

#include "window_definition_test.moc"
