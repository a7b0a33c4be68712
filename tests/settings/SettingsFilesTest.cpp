#include "common/KvilmarError.h"
#include "settings/SettingsFiles.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

#include <unistd.h>

namespace {

// The bold red 10-point record as the options window saves it.
FontRecord boldRedTen()
{
    FontRecord r;
    r.name = QByteArray("Arial");
    r.pointSize = 10;
    r.color = 0x000000FF;
    r.style = FontRecord::Bold;
    return r;
}

} // namespace

class SettingsFilesTest : public QObject {
    Q_OBJECT

private slots:
    void fontRecordIsByteExact()
    {
        TempFolder folder;
        settingsFiles::writeFont(settingsFiles::fontFileName(), boldRedTen());
        const QByteArray bytes = folder.read(QStringLiteral("nstrfon.dan"));
        QCOMPARE(bytes.size(), 268);
        QCOMPARE(quint8(bytes[0]), quint8(5));
        QCOMPARE(bytes.mid(1, 5), QByteArray("Arial"));
        QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 256), quint16(10));
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 260), quint32(0x000000FF));
        QCOMPARE(quint8(bytes[264]), quint8(1));
        QCOMPARE(settingsFiles::readFont(settingsFiles::fontFileName()), boldRedTen());
    }

    void fontNameIsCodePage1251AndCutTo255()
    {
        FontRecord r = boldRedTen();
        r.name = QByteArray("\xCA\xF3\xF0\xFC\xE5\xF0");   // "Курьер"
        QCOMPARE(settingsFiles::decodeFont(settingsFiles::encodeFont(r)).name, r.name);
        r.name = QByteArray(300, 'x');
        const QByteArray bytes = settingsFiles::encodeFont(r);
        QCOMPARE(bytes.size(), 268);
        QCOMPARE(quint8(bytes[0]), quint8(255));
        QCOMPARE(settingsFiles::decodeFont(bytes).name->size(), 255);
    }

    void damagedFontFilesAreReadAsFarAsValid_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("hasName");
        QTest::addColumn<bool>("hasSize");
        QTest::addColumn<bool>("hasColor");
        QTest::addColumn<bool>("hasStyle");
        const QByteArray whole = settingsFiles::encodeFont(boldRedTen());
        QTest::newRow("0 bytes") << QByteArray() << false << false << false << false;
        QTest::newRow("1 byte, name beyond the end") << whole.left(1) << false << false << false << false;
        QTest::newRow("name only") << whole.left(6) << true << false << false << false;
        QTest::newRow("up to the size") << whole.left(258) << true << true << false << false;
        QTest::newRow("267 bytes") << whole.left(267) << true << true << true << true;
        QTest::newRow("264 bytes") << whole.left(264) << true << true << true << false;
        QTest::newRow("268 bytes") << whole << true << true << true << true;
        QTest::newRow("269 bytes") << whole + 'x' << true << true << true << true;
        QByteArray longName = whole.left(20);
        longName[0] = char(200);
        QTest::newRow("name length past the end") << longName << false << false << false << false;
    }

    void damagedFontFilesAreReadAsFarAsValid()
    {
        QFETCH(QByteArray, bytes);
        TempFolder folder;
        const FontRecord r = settingsFiles::readFont(folder.write(QStringLiteral("nstrfon.dan"), bytes));
        QFETCH(bool, hasName);
        QFETCH(bool, hasSize);
        QFETCH(bool, hasColor);
        QFETCH(bool, hasStyle);
        QCOMPARE(r.name.has_value(), hasName);
        QCOMPARE(r.pointSize.has_value(), hasSize);
        QCOMPARE(r.color.has_value(), hasColor);
        QCOMPARE(r.style.has_value(), hasStyle);
        if (r.name)
            QCOMPARE(*r.name, QByteArray("Arial"));
        if (hasSize)
            QCOMPARE(*r.pointSize, quint16(10));
    }

    void randomBytesNeverGiveNonsense()
    {
        QRandomGenerator random(20001017);
        for (int run = 0; run < 500; ++run) {
            QByteArray bytes(int(random.bounded(300)), '\0');
            for (char& c : bytes)
                c = char(random.bounded(256));
            const FontRecord r = settingsFiles::decodeFont(bytes);
            if (r.name) {
                QVERIFY(r.name->size() <= 255);
                QVERIFY(!r.name->contains('\0'));
            }
            if (r.pointSize)
                QVERIFY(*r.pointSize >= 1 && *r.pointSize <= 200);
            if (r.color)
                QVERIFY((*r.color >> 24) == 0 || (*r.color >> 24) == 0x80);
            if (r.style)
                QVERIFY((*r.style & ~FontRecord::kStyleMask) == 0);
            settingsFiles::decodeSwitches(bytes);
        }
    }

    void systemColourCodeIsKept()
    {
        FontRecord r = boldRedTen();
        r.color = 0x80000008;
        QCOMPARE(settingsFiles::decodeFont(settingsFiles::encodeFont(r)).color, std::optional<quint32>(0x80000008));
    }

    void switches_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("startWindow");   // -1 not read, 0 off, 1 on
        QTest::addColumn<int>("excelSave");
        QTest::newRow("empty") << QByteArray() << -1 << -1;
        QTest::newRow("one byte") << QByteArray("\x01", 1) << 1 << -1;
        QTest::newRow("off on") << QByteArray("\x00\x01", 2) << 0 << 1;
        QTest::newRow("any non-zero is on") << QByteArray("\xFF\x07", 2) << 1 << 1;
        QTest::newRow("longer file") << QByteArray("\x00\x00\x01", 3) << 0 << 0;
    }

    void switches()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, startWindow);
        QFETCH(int, excelSave);
        TempFolder folder;
        const Switches s = settingsFiles::readSwitches(folder.write(QStringLiteral("nstrbol.dan"), bytes));
        QCOMPARE(s.startWindow.has_value() ? int(*s.startWindow) : -1, startWindow);
        QCOMPARE(s.excelSave.has_value() ? int(*s.excelSave) : -1, excelSave);
    }

    void switchesAreTwoBytes()
    {
        TempFolder folder;
        settingsFiles::writeSwitches(settingsFiles::switchFileName(), true, false);
        QCOMPARE(folder.read(QStringLiteral("nstrbol.dan")), QByteArray("\x01\x00", 2));
        settingsFiles::writeSwitches(settingsFiles::switchFileName(), false, true);
        QCOMPARE(folder.read(QStringLiteral("nstrbol.dan")), QByteArray("\x00\x01", 2));
    }

    void missingFilesGiveNothing()
    {
        TempFolder folder;
        QCOMPARE(settingsFiles::readFont(settingsFiles::fontFileName()), FontRecord{});
        QCOMPARE(settingsFiles::readSwitches(settingsFiles::switchFileName()), Switches{});
        QCOMPARE(settingsFiles::readFont(folder.path()), FontRecord{});   // a folder
    }

    void saveIntoAFolderThatCannotBeWrittenReportsAnError()
    {
        TempFolder folder;
        // A program folder whose path runs through a file: no one can write there, root included.
        const QString blocked = folder.write(QStringLiteral("plain.txt"), "x") + QStringLiteral("/");
        qputenv("KVILMAR_PROGRAM_DIR", blocked.toLocal8Bit());
        try {
            settingsFiles::writeFont(settingsFiles::fontFileName(), boldRedTen());
            QFAIL("the save did not fail");
        } catch (const KvilmarError& e) {
            QVERIFY(e.text().startsWith(QStringLiteral("Ошибка ввода-вывода")));
            QVERIFY(e.text().contains(QStringLiteral("nstrfon.dan")));
        }
    }

    void failedSaveKeepsTheOldFile()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        TempFolder folder;
        const QByteArray old = settingsFiles::encodeSwitches(true, true);
        folder.write(QStringLiteral("nstrbol.dan"), old);
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
        bool failed = false;
        try {
            settingsFiles::writeSwitches(settingsFiles::switchFileName(), false, false);
        } catch (const KvilmarError&) {
            failed = true;
        }
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(failed);
        QCOMPARE(folder.read(QStringLiteral("nstrbol.dan")), old);
    }
};

QTEST_GUILESS_MAIN(SettingsFilesTest)
#include "SettingsFilesTest.moc"
