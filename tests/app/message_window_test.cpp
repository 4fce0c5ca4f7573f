// The message window over a loopback feedback page.

#include "app/message_window.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "app/main_window.h"
#include "app/window_loader.h"

#include "support/loopback_server.h"
#include "tests/app/app_test_support.h"

namespace kestrilo::testing {
namespace {

class MessageWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { MessageLog::Clear(); }

  void feedbackButtonOpensThePageOnceWithItsNotice() {
    LoopbackServer server([](httplib::Server& s) {
      s.Get("/feedback", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("<html><head><title>留言板</title></head><body>留言</body></html>",
                             "text/html; charset=utf-8");
      });
    });
    MainWindowSettings settings;
    settings.contact.feedback_address = QString::fromStdString(server.Origin() + "/feedback");
    const std::unique_ptr<MainWindow> main = LoadStartWindow<MainWindow>(settings);
    auto* button = Find<QPushButton>(main.get(), "按钮3");
    QVERIFY(button != nullptr);

    QTest::mouseClick(button, Qt::LeftButton);
    QPointer<MessageWindow> window = main->OpenMessage();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(MessageLog::Texts(), QStringList{QString::fromUtf8("调用腾讯官方接口，可放心留言")});
    QWidget* browser = window->Browser();
    QVERIFY(browser != nullptr);
    QCOMPARE(browser->property("url").toUrl().toString(), settings.contact.feedback_address);
    QTRY_COMPARE_WITH_TIMEOUT(browser->property("title").toString(), QString::fromUtf8("留言板"),
                              60000);

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(main->OpenMessage(), window.data());
    QCOMPARE(MessageLog::Texts().size(), 1);

    // The main window and the program go on without it.
    bool quit = false;
    const QMetaObject::Connection watch =
        connect(qApp, &QCoreApplication::aboutToQuit, [&quit] { quit = true; });
    window->close();
    QTRY_VERIFY(window.isNull());
    QVERIFY(main->isVisible());
    QVERIFY(!quit);
    disconnect(watch);
  }
};

}  // namespace

std::unique_ptr<QObject> MakeMessageWindowTest() { return std::make_unique<MessageWindowTest>(); }

}  // namespace kestrilo::testing

#include "message_window_test.moc"
