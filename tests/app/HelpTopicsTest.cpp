#include "common/windows/Help.h"
#include "common/windows/HelpWindow.h"
#include "support/TestMain.h"

#include <QTextBrowser>

class HelpTopicsTest : public QObject {
    Q_OBJECT

private slots:
    void topicsOpenAtTheirIdentifier_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("heading");
        QTest::newRow("main window") << "001" << "Главное окно программы Квилмар";
        QTest::newRow("options") << "0091" << "Настройка параметров программы";
        QTest::newRow("version check") << "00111" << "Информация о новых версиях программы";
    }

    void topicsOpenAtTheirIdentifier()
    {
        QFETCH(QString, topic);
        QFETCH(QString, heading);
        showHelpTopic(topic);
        HelpWindow* window = helpWindow();
        QVERIFY(window->isVisible());
        QCOMPARE(window->currentTopic(), topic);
        const QString text = window->browser()->toPlainText();
        QVERIFY2(text.startsWith(heading), qPrintable(text.left(80)));
        QVERIFY(text.size() > 300);
        window->close();
    }

    void unknownTopicSaysSo()
    {
        showHelpTopic(QStringLiteral("999"));
        QVERIFY(helpWindow()->browser()->toPlainText().contains(QStringLiteral("не найден")));
        helpWindow()->close();
    }
};

KV_TEST_MAIN(HelpTopicsTest)
#include "HelpTopicsTest.moc"
