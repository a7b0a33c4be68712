// The floors of the start-up benchmark (FillBench.cpp): a bare Qt window of
// the same toolkit, shown and nothing else; with --text, the same window
// with one line of text, which is what starts the toolkit's fonts.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Квилмар"));
    window.resize(640, 480);
    if (QApplication::arguments().contains(QStringLiteral("--text")))
        (new QVBoxLayout(&window))->addWidget(new QLabel(QStringLiteral("Работа закончена!"), &window));
    window.show();
    return QApplication::exec();
}
