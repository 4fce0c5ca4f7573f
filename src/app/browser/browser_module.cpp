// The embedded browser, kept out of the program until 在线留言 first opens:
// the engine's libraries take long to load, and linking them would make Qt
// set up OpenGL context sharing at start, a third of the start's time.

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QWebEngineView>
#include <QtGlobal>

// Qt's own setter of the context every other one shares with. The engine
// needs it and Qt makes it only at start when asked to; it is exported for
// modules loaded later, like this one, but declared in no public header.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

extern "C" Q_DECL_EXPORT QWidget* KestriloCreateBrowserView(QWidget* parent) {
  if (QOpenGLContext::globalShareContext() == nullptr) {
    // Where the platform has no OpenGL the context stays uncreated, and the
    // engine draws in software, as it would with one made at start.
    auto* shared = new QOpenGLContext(QCoreApplication::instance());
    shared->create();
    qt_gl_set_global_share_context(shared);
  }
  return new QWebEngineView(parent);
}
