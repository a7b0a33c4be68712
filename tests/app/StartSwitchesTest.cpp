#include "app/StartSwitches.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QTest>

using namespace startup;

Q_DECLARE_METATYPE(startup::Switch)

class StartSwitchesTest : public QObject {
    Q_OBJECT

private slots:
    void classify_data()
    {
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<Switch>("expected");
        QTest::newRow("none") << QStringList{} << Switch::None;
        QTest::newRow("-i") << QStringList{"-i"} << Switch::Ini;
        QTest::newRow("-I") << QStringList{"-I", "x"} << Switch::Ini;
        QTest::newRow("-s") << QStringList{"-s"} << Switch::Select;
        QTest::newRow("-S") << QStringList{"-S", "a", "b"} << Switch::Select;
        QTest::newRow("/s") << QStringList{"/s"} << Switch::Invalid;
        QTest::newRow("-x") << QStringList{"-x"} << Switch::Invalid;
        QTest::newRow("-s with more") << QStringList{"-si"} << Switch::Invalid;
        QTest::newRow("a file name") << QStringList{"list.fdp"} << Switch::Invalid;
        QTest::newRow("empty parameter") << QStringList{""} << Switch::Invalid;
    }

    void classify()
    {
        QFETCH(QStringList, parameters);
        QFETCH(Switch, expected);
        QCOMPARE(startup::classify(parameters), expected);
    }

    // Run in a folder holding the file "L.fdp", a file named "-x" and a folder "D".
    void listFile_data()
    {
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<Switch>("expected");
        QTest::newRow("existing list") << QStringList{"L.fdp"} << Switch::ListFile;
        QTest::newRow("further parameters ignored") << QStringList{"L.fdp", "other"} << Switch::ListFile;
        QTest::newRow("missing file") << QStringList{"M.fdp"} << Switch::Invalid;
        QTest::newRow("folder") << QStringList{"D"} << Switch::Invalid;
        QTest::newRow("a dash is a switch even as a file") << QStringList{"-x"} << Switch::Invalid;
        QTest::newRow("switch before a file") << QStringList{"-s", "L.fdp"} << Switch::Select;
    }

    void listFile()
    {
        QFETCH(QStringList, parameters);
        QFETCH(Switch, expected);
        TempFolder folder;
        folder.write(QStringLiteral("L.fdp"), "1\r\n19\r\na\r\n\r\n\r\n");
        folder.write(QStringLiteral("-x"), "");
        QDir(folder.path()).mkdir(QStringLiteral("D"));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
        QCOMPARE(startup::classify(parameters), expected);
        if (expected == Switch::ListFile)
            QCOMPARE(listFileParameter(parameters), folder.file(QStringLiteral("L.fdp")));
        QDir::setCurrent(previous);
    }

    void messages()
    {
        QCOMPARE(iniMissingMessage(), QStringLiteral("Файл 'kvilmar.ini' не найден!"));
        QCOMPARE(invalidParameterMessage(QStringLiteral("/s")),
                 QStringLiteral("Указан неверный параметр командной строки /s\nОткрыть окно выбора файлов?"));
        QCOMPARE(quoted(QStringLiteral("it's")), QStringLiteral("'it''s'"));
        QCOMPARE(missingFileMessage(QStringLiteral("Не найден файл шаблона документа\n'a.doc'")),
                 QStringLiteral("Не найден файл шаблона документа\n'a.doc'\nОткрыть окно выбора файлов?"));
    }

    void checkBoxEffects()
    {
        StartFields f;
        f.identifierFile = QStringLiteral("a.fdp");
        f.setUseListReplacements(false);
        QCOMPARE(f.replacementFile, QString());
        QVERIFY(f.replacementEditable);
        f.replacementFile = QStringLiteral("r.txt");
        f.setUseListReplacements(true);
        QCOMPARE(f.replacementFile, QStringLiteral("a.fdp"));
        QVERIFY(!f.replacementEditable);
    }

    // Names: T, I, R existing files; t, i, r missing ones; D a folder.
    void selectSwitch_data()
    {
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("pending");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("templ");
        QTest::addColumn<bool>("useList");
        QTest::addColumn<bool>("editable");
        QTest::newRow("switch only") << "" << "" << "" << "" << "" << true << false;
        QTest::newRow("template") << "T" << "" << "" << "" << "T" << true << false;
        QTest::newRow("template and list") << "T I" << "" << "I" << "I" << "T" << true << false;
        QTest::newRow("all three") << "T I R" << "" << "I" << "R" << "T" << false << true;
        QTest::newRow("four and more") << "T I R X" << "" << "I" << "R" << "T" << false << true;
        const QString missing = QStringLiteral("Не найден файл ");
        QTest::newRow("missing template and list") << "t i" << missing + "шаблона документа\n't'" << "" << "" << "" << true << false;
        QTest::newRow("folder as template") << "D" << "Нельзя открыть файл шаблона документа\n'D'\nПричина: это папка."
                                            << "" << "" << "" << true << false;
        QTest::newRow("missing list") << "T i" << missing + "списка идентификаторов\n'i'" << "" << "" << "T" << true << false;
        QTest::newRow("missing replacements") << "T I r" << missing + "списка замен\n'r'" << "I" << "" << "T" << false << true;
        QTest::newRow("earlier file reported") << "t I r" << missing + "шаблона документа\n't'" << "I" << "" << "" << true << false;
        QTest::newRow("earlier list reported") << "T i R" << missing + "списка идентификаторов\n'i'" << "" << "R" << "T" << false << true;
    }

    void selectSwitch()
    {
        QFETCH(QString, names);
        QFETCH(QString, pending);
        QFETCH(QString, identifier);
        QFETCH(QString, replacement);
        QFETCH(QString, templ);
        QFETCH(bool, useList);
        QFETCH(bool, editable);
        TempFolder folder;
        QDir(folder.path()).mkdir(QStringLiteral("D"));
        const auto path = [&folder](QString name) {
            if (name.isEmpty())
                return name;
            if (name[0].isUpper() && name != QLatin1String("D"))
                folder.write(name, "x");
            return folder.file(name);
        };
        QStringList parameters{QStringLiteral("-s")};
        for (const QString& name : names.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            parameters << path(name);
        // The messages name the files as typed.
        pending.replace(QLatin1String("\n'"), QLatin1String("\n'") + folder.path());

        StartFields f;
        QCOMPARE(fillFromSelectSwitch(f, parameters), pending);
        QCOMPARE(f.identifierFile, identifier.isEmpty() ? QString() : folder.file(identifier));
        QCOMPARE(f.replacementFile, replacement.isEmpty() ? QString() : folder.file(replacement));
        QCOMPARE(f.templateFile, templ.isEmpty() ? QString() : folder.file(templ));
        QCOMPARE(f.useListReplacements, useList);
        QCOMPARE(f.replacementEditable, editable);
    }
};

QTEST_GUILESS_MAIN(StartSwitchesTest)
#include "StartSwitchesTest.moc"
