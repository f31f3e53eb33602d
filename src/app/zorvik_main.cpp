#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setObjectName(QStringLiteral("frmSerial"));
    window.setWindowTitle(QStringLiteral("Конфигуратор Zorvik v2.6.3"));
    window.resize(900, 640);
    window.show();
    return app.exec();
}
