// The floor of the start-up benchmark (FillBench.cpp): a bare Qt window of
// the same toolkit, shown and nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Квилмар"));
    window.resize(640, 480);
    window.show();
    return QApplication::exec();
}
