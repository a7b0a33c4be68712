// Drags the file named on the command line, as a file manager does, when
// its window is pressed.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

struct DragSource : QLabel {
    using QLabel::QLabel;
    void mousePressEvent(QMouseEvent*) override
    {
        auto* drag = new QDrag(this);
        drag->setMimeData(new QMimeData);
        drag->mimeData()->setUrls({QUrl::fromLocalFile(text())});
        drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    DragSource source(QApplication::arguments().value(1));
    source.setWindowTitle("drag source");
    source.show();
    return QApplication::exec();
}
