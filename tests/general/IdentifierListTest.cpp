#include "general/IdentifierList.h"
#include "support/TestMain.h"

namespace {

IdentifierRecord rec(const QString& id, const QString& text = {}, const QString& comment = {}, bool on = true)
{
    return {id, text, comment, on};
}

} // namespace

class IdentifierListTest : public QObject {
    Q_OBJECT

private slots:
    void listLine_data()
    {
        QTest::addColumn<IdentifierRecord>("record");
        QTest::addColumn<QString>("line");
        QTest::newRow("short, on") << rec("#FIO#", "Иванов") << ("#FIO#" + QString(23, ' ') + ' '
                                          + "Иванов" + QString(50, ' ') + ' ' + "вкл. ");
        QTest::newRow("long, off") << rec(QString(30, 'x'), QString(60, 'y'), {}, false)
                                   << (QString(28, 'x') + ' ' + QString(56, 'y') + ' ' + "выкл ");
        QTest::newRow("escape kept") << rec("#13", "a#13b")
                                     << ("#13" + QString(25, ' ') + ' ' + "a#13b" + QString(51, ' ') + ' ' + "вкл. ");
        QTest::newRow("no half of a character at the cut") << rec(QString(27, 'x') + "😀", "Łukasz")
                                     << (QString(27, 'x') + QString(2, ' ') + "Łukasz" + QString(50, ' ') + ' ' + "вкл. ");
    }
    void listLine()
    {
        QFETCH(IdentifierRecord, record);
        QFETCH(QString, line);
        QCOMPARE(IdentifierList::listLine(record), line);
        QCOMPARE(line.size(), IdentifierList::kLineLength);
    }

    void limits()
    {
        IdentifierList list;
        QVERIFY(list.append(rec(QString(300, 'i'), "t", QString(150, 'c'))));
        QCOMPARE(list.record(0).identifier.size(), 255);
        QCOMPARE(list.record(0).comment.size(), 100);
        for (int i = 1; i < 50; ++i)
            QVERIFY(list.append(rec(QString::number(i))));
        QVERIFY(!list.append(rec("51st")));
        QCOMPARE(list.count(), 50);

        QList<IdentifierRecord> full;
        for (int i = 0; i < 51; ++i)
            full << rec(QString::number(i));
        list.takeOver(full);
        QCOMPARE(list.count(), 51);
        QVERIFY(!list.append(rec("52nd")));
    }

    void findIsExactAndCaseSensitive()
    {
        IdentifierList list;
        list.append(rec("#fio#"));
        list.append(rec("#FIO#"));
        QCOMPARE(list.find("#FIO#"), 1);
        QCOMPARE(list.find("#Fio#"), -1);
    }

    void removeAndSwapKeepOrder()
    {
        IdentifierList list;
        for (const char* id : {"a", "b", "c", "d"})
            list.append(rec(id));
        list.setStatus(1, false);
        list.swap(1, 2);
        QCOMPARE(list.record(1).identifier, QString("c"));
        QCOMPARE(list.record(2).status, false);
        list.remove(0);
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.record(0).identifier, QString("c"));
        QCOMPARE(list.record(2).identifier, QString("d"));
        list.remove(7);   // no such record: nothing happens
        QCOMPARE(list.count(), 3);
    }

    // Change detection compares content, so edits that keep the byte sum
    // and reordering are noticed; statuses are not stored and never count.
    void changeDetection()
    {
        IdentifierList list;
        QVERIFY(!list.isChanged());   // empty
        list.append(rec("", "", ""));
        QVERIFY(!list.isChanged());   // texts all empty
        list.takeOver({rec("#A#", "1500"), rec("#B#", "x")});
        QVERIFY(!list.isChanged());
        QVERIFY(list.hasSavedContent());

        list.setReplacement(0, "1050");   // same byte sum
        QVERIFY(list.isChanged());
        list.setReplacement(0, "1500");
        QVERIFY(!list.isChanged());

        list.swap(0, 1);
        QVERIFY(list.isChanged());
        list.swap(0, 1);
        list.setStatus(0, false);
        QVERIFY(!list.isChanged());

        list.clearAll();
        QVERIFY(!list.hasSavedContent());
        QVERIFY(!list.isChanged());
        list.append(rec("#C#"));
        QVERIFY(list.isChanged());
        QVERIFY(!list.hasSavedContent());

        list.markSaved();
        QVERIFY(!list.isChanged());
        list.clearReplacements();
        QVERIFY(!list.isChanged());   // it had none
    }

    void closeQuestion()
    {
        using Q = IdentifierList::CloseQuestion;
        IdentifierList list;
        QCOMPARE(list.closeQuestion(), Q::None);
        list.append(rec("#A#"));
        QCOMPARE(list.closeQuestion(), Q::SaveList);
        list.markSaved();
        QCOMPARE(list.closeQuestion(), Q::None);
        list.setComment(0, "c");
        QCOMPARE(list.closeQuestion(), Q::SaveChanges);
        list.clearAll();
        QCOMPARE(list.closeQuestion(), Q::None);
        list.takeOver({rec("")});   // loaded, but without any text
        list.setComment(0, "c");
        QCOMPARE(list.closeQuestion(), Q::SaveList);
    }

    // Replacement, comment, status: the first that differs; never the identifier.
    void firstUncommittedEdit_data()
    {
        QTest::addColumn<IdentifierRecord>("boxes");
        QTest::addColumn<int>("edit");
        using E = IdentifierList::UncommittedEdit;
        QTest::newRow("none") << rec("#A#", "t", "c") << int(E::None);
        QTest::newRow("identifier only") << rec("#Z#", "t", "c") << int(E::None);
        QTest::newRow("all three") << rec("#A#", "x", "y", false) << int(E::Replacement);
        QTest::newRow("comment and status") << rec("#A#", "t", "y", false) << int(E::Comment);
        QTest::newRow("status") << rec("#A#", "t", "c", false) << int(E::Status);
        QTest::newRow("comment past its limit") << rec("#A#", "t", "c" + QString(200, ' ')) << int(E::Comment);
    }
    void firstUncommittedEdit()
    {
        QFETCH(IdentifierRecord, boxes);
        QFETCH(int, edit);
        IdentifierList list;
        list.append(rec("#A#", "t", "c"));
        QCOMPARE(int(list.firstUncommittedEdit(0, boxes)), edit);
    }
};

KV_TEST_MAIN(IdentifierListTest)
#include "IdentifierListTest.moc"
