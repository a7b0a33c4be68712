#include "common/ProgramInfo.h"
#include "settings/windows/UnitVelAbout.h"
#include "support/TestMain.h"
#include "support/WindowTest.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

// Catches the addresses the window hands to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class AboutWindowTest : public WindowTest {
    Q_OBJECT

    UrlCatcher catcher_;

    static QColor color(QLabel* label) { return label->palette().color(QPalette::WindowText); }
    static Qt::CursorShape cursor()
    {
        const QCursor* c = QGuiApplication::overrideCursor();
        return c ? c->shape() : Qt::ArrowCursor;
    }
    static void moveOver(QWidget* w) { QTest::mouseMove(w, w->rect().center()); }

    void makeWindows() override { make(FormVelAbout); }

    void prepare() override
    {
        catcher_.urls.clear();
        FormVelAbout->show();
        QVERIFY(QTest::qWaitForWindowExposed(FormVelAbout));
    }

    void tidy() override { QCOMPARE(QGuiApplication::overrideCursor(), nullptr); }

public:
    AboutWindowTest()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher_, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher_, "open");
    }

private slots:

    void labelsCarryTheProgramInformation()
    {
        QCOMPARE(FormVelAbout->windowTitle(), QStringLiteral("О программе"));
        QCOMPARE(FormVelAbout->LabAppName->text(), QStringLiteral("Квилмар"));
        QCOMPARE(FormVelAbout->LabVersion->text(), QStringLiteral("v " KVILMAR_VERSION));
        QCOMPARE(FormVelAbout->LabelApplDate->text(), QStringLiteral("17 октября 2000 г."));
        QCOMPARE(FormVelAbout->LabelEmail->text(), programInfo::makerMail());
        QCOMPARE(FormVelAbout->LabelEmail->toolTip(), QStringLiteral("Отправить письмо авторам программы"));
        QCOMPARE(FormVelAbout->LabelBrennic->toolTip(),
                 QStringLiteral("Перейти на Интернет-страницу программы\n") + programInfo::homePageUrl());
        QVERIFY(FormVelAbout->LabAppName->font().bold());
        QVERIFY(FormVelAbout->OKButton->isDefault());
    }

    void pointingChangesColourAndCursor()
    {
        moveOver(FormVelAbout->LabelEmail);
        QCOMPARE(color(FormVelAbout->LabelEmail), QColor(Qt::blue));
        QCOMPARE(cursor(), Qt::PointingHandCursor);
        moveOver(FormVelAbout->Panel1);
        QCOMPARE(color(FormVelAbout->LabelEmail), QColor(Qt::black));
        QCOMPARE(cursor(), Qt::ArrowCursor);
        moveOver(FormVelAbout->LabelEmail);
        moveOver(FormVelAbout->LabelBrennic);
        QCOMPARE(color(FormVelAbout->LabelEmail), QColor(Qt::black));
        QCOMPARE(color(FormVelAbout->LabelBrennic), QColor(Qt::blue));
        QVERIFY(FormVelAbout->LabelBrennic->font().underline());
        QCOMPARE(cursor(), Qt::PointingHandCursor);
        // The name label has no action of its own: the cursor stays as it was.
        moveOver(FormVelAbout->LabAppName);
        QCOMPARE(cursor(), Qt::PointingHandCursor);
        moveOver(FormVelAbout->LabelYears);
        QCOMPARE(cursor(), Qt::ArrowCursor);
    }

    void clickingTheNoticeOpensTheWebPageAndStays()
    {
        QTest::mouseClick(FormVelAbout->LabelBrennic, Qt::LeftButton);
        QCOMPARE(catcher_.urls, QList<QUrl>{QUrl(programInfo::homePageUrl())});
        QVERIFY(FormVelAbout->isVisible());
    }

    void clickingTheMailOpensAMailAndCloses()
    {
        moveOver(FormVelAbout->LabelEmail);
        QTest::mouseClick(FormVelAbout->LabelEmail, Qt::LeftButton);
        QCOMPARE(catcher_.urls, QList<QUrl>{QUrl(QStringLiteral("mailto:") + programInfo::makerMail())});
        QVERIFY(!FormVelAbout->isVisible());
        QCOMPARE(FormVelAbout->result(), int(QDialog::Accepted));
    }
};

KV_TEST_MAIN(AboutWindowTest)
#include "AboutWindowTest.moc"
