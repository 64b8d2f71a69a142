#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tarvex Power Rallon Configuration Utility"));
    window.show();
    return app.exec();
}
