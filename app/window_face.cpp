#include "app/window_face.h"

#include "main_window/form1.h"

#include <QApplication>
#include <type_traits>

extern "C" Q_DECL_EXPORT int ringlatch_window_main(int &argc, char **argv,
                                                   const QString &com1Device)
{
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("ringlatch"));

    ringlatch::Form1 window(com1Device);
    window.show();
    return QApplication::exec();
}

static_assert(std::is_same_v<decltype(&ringlatch_window_main), RinglatchWindowMain>,
              "the entry point and the type the program resolves it as must agree");
