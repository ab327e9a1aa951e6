#include "platform/core/IniFile.h"
#include "platform/core/Colors.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QMap>
#include <QtCore/QStringEncoder>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>

using namespace movra;

class IniFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void writeBytes(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }

    static QByteArray readBytes(const QString& file) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        return f.readAll();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void missingFileGivesDefaults() {
        const TIniFile ini(path("nie-ma.ini"));
        QVERIFY(!ini.WasRead());
        QCOMPARE(ini.ReadInteger("Form1", "Left", 692), 692);
        QCOMPARE(ini.ReadString("Plik", "Nazwa", "brak"), QString("brak"));
        QVERIFY(!ini.SectionExists("Form1"));
    }

    void missingKeyAndBadIntegerGiveDefault_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << QByteArray("42") << 42;
        QTest::newRow("blanks") << QByteArray("   42   ") << 42;
        QTest::newRow("negative") << QByteArray("-5") << -5;
        QTest::newRow("plus") << QByteArray("+7") << 7;
        QTest::newRow("button face decimal") << QByteArray("-2147483633") << -2147483633;
        QTest::newRow("window decimal") << QByteArray("-2147483643") << -2147483643;
        QTest::newRow("hex button face") << QByteArray("0x8000000F") << -2147483633;
        QTest::newRow("hex window") << QByteArray("0x80000005") << -2147483643;
        QTest::newRow("hex upper X") << QByteArray("0X1f") << 31;
        QTest::newRow("hex dollar") << QByteArray("$FF") << 255;
        QTest::newRow("int max") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("int min") << QByteArray("-2147483648") << int(-2147483647 - 1);
        // Not integers: the caller's default (-1 here).
        QTest::newRow("empty") << QByteArray("") << -1;
        QTest::newRow("letters") << QByteArray("abc") << -1;
        QTest::newRow("trailing letters") << QByteArray("12abc") << -1;
        QTest::newRow("fraction") << QByteArray("1.5") << -1;
        QTest::newRow("inner blank") << QByteArray("1 2") << -1;
        QTest::newRow("sign only") << QByteArray("-") << -1;
        QTest::newRow("hex prefix only") << QByteArray("0x") << -1;
        QTest::newRow("hex bad digit") << QByteArray("0x12G") << -1;
        QTest::newRow("hex beyond 32 bits") << QByteArray("0x123456789") << -1;
        QTest::newRow("decimal beyond 32 bits") << QByteArray("2147483648") << -1;
        QTest::newRow("far beyond") << QByteArray("99999999999999999999999") << -1;
    }

    void missingKeyAndBadIntegerGiveDefault() {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        const QString file = path("int.ini");
        writeBytes(file, "[Kolor]\nFixedColor=" + value + "\n");
        const TIniFile ini(file);
        QVERIFY(ini.WasRead());
        QCOMPARE(ini.ReadInteger("Kolor", "FixedColor", -1), expected);
        QCOMPARE(ini.ReadInteger("Kolor", "Brak", 77), 77);
        QCOMPARE(ini.ReadInteger("Brak", "FixedColor", 78), 78);
    }

    void systemColoursAsStored() {
        QCOMPARE(ParseIniInteger("0x8000000F").value(), clBtnFace);
        QCOMPARE(ParseIniInteger("-2147483633").value(), clBtnFace);
        QCOMPARE(ParseIniInteger("-2147483643").value(), clWindow);
        QCOMPARE(ParseIniInteger("12632256").value(), clSilver);
    }

    void lookupIgnoresCase() {
        const QString file = path("case.ini");
        writeBytes(file, "[Form1]\r\nLeft=5\r\nWysRow=22\r\n");
        TIniFile ini(file);
        QCOMPARE(ini.ReadInteger("FORM1", "left", 0), 5);
        QCOMPARE(ini.ReadInteger("form1", "WYSROW", 0), 22);
        QVERIFY(ini.SectionExists("fOrM1"));
        QVERIFY(ini.ValueExists("form1", "LEFT"));
        QVERIFY(!ini.ValueExists("form1", "Top"));

        // Writing under another spelling changes the existing key, keeping its spelling.
        ini.WriteInteger("FORM1", "LEFT", 7);
        QVERIFY(ini.UpdateFile());
        QCOMPARE(readBytes(file), QByteArray("[Form1]\nLeft=7\nWysRow=22\n"));
    }

    void blanksAroundNames() {
        const QString file = path("blanks.ini");
        writeBytes(file, "  [ Form2 ]  \r\n  KolorF  =  -2147483633  \r\n\tTop\t=\t10\r\n");
        const TIniFile ini(file);
        QCOMPARE(ini.ReadInteger("Form2", "KolorF", 0), clBtnFace);
        QCOMPARE(ini.ReadInteger("Form2", "Top", 0), 10);
        QCOMPARE(ini.ReadInteger(" Form2 ", " top ", 0), 10);
    }

    void orderKeptWhenRewriting() {
        const QString file = path("order.ini");
        writeBytes(file, "[Plik]\nNazwa=stara.db3\nSort=2\n\n[Form1]\nTop=1\nLeft=2\n");
        {
            TIniFile ini(file);
            // Written in another order than the file's; new keys and sections come last, in the
            // order written.
            ini.WriteInteger("Form1", "Left", 692);
            ini.WriteInteger("Form1", "Top", 568);
            ini.WriteInteger("Form1", "Width", 543);
            ini.WriteString("Plik", "Nazwa", "nowa.db3");
            ini.WriteInteger("Kolor", "FixedColor", clBtnFace);
            ini.WriteInteger("Plik", "Sort", 3);
            ini.WriteInteger("Form1", "WysRow", 22);
            QCOMPARE(ini.Sections(), QStringList({"Plik", "Form1", "Kolor"}));
            QCOMPARE(ini.Keys("Form1"), QStringList({"Top", "Left", "Width", "WysRow"}));
            QVERIFY(ini.UpdateFile());
        }
        QCOMPARE(readBytes(file), QByteArray("[Plik]\nNazwa=nowa.db3\nSort=3\n\n"
                                             "[Form1]\nTop=568\nLeft=692\nWidth=543\nWysRow=22\n\n"
                                             "[Kolor]\nFixedColor=-2147483633\n"));
        // And it reads back.
        const TIniFile again(file);
        QCOMPARE(again.ReadInteger("Kolor", "FixedColor", 0), clBtnFace);
        QCOMPARE(again.ReadString("Plik", "Nazwa", ""), QString("nowa.db3"));
    }

    void newFileInWritingOrder() {
        const QString file = path("new.ini");
        QFile::remove(file);
        TIniFile ini(file);
        ini.WriteInteger("Form1", "Left", 10);
        ini.WriteString("Plik", "Nazwa", "brak");
        ini.WriteInteger("Form1", "Top", -20);
        QVERIFY(ini.UpdateFile());
        QCOMPARE(readBytes(file), QByteArray("[Form1]\nLeft=10\nTop=-20\n\n[Plik]\nNazwa=brak\n"));
    }

    void polishLettersKeptInUtf8() {
        const QString name = QStringLiteral("Zażółć gęślą jaźń ŁÓDŹ.db3");
        const QString file = path("utf8.ini");
        {
            TIniFile ini(file);
            ini.WriteString("Plik", "Nazwa", name);
            QVERIFY(ini.UpdateFile());
        }
        const QByteArray raw = readBytes(file);
        QVERIFY(!raw.startsWith("\xEF\xBB\xBF")); // no byte-order mark
        QVERIFY(raw.contains(name.toUtf8()));
        QCOMPARE(TIniFile(file).ReadString("Plik", "Nazwa", ""), name);

        // A byte-order mark written by another editor is tolerated.
        writeBytes(file, "\xEF\xBB\xBF[Plik]\nNazwa=" + name.toUtf8() + "\n");
        QCOMPARE(TIniFile(file).ReadString("plik", "nazwa", ""), name);
    }

    void windows1250Fallback() {
        QStringEncoder enc("windows-1250");
        if (!enc.isValid())
            QSKIP("This Qt has no Windows-1250 codec");
        const QString name = QStringLiteral("Kasia Żółtowska ąćęłńóśźż.db3");
        const QByteArray cp = enc(name);
        QVERIFY(cp != name.toUtf8()); // really not UTF-8
        const QString file = path("old.ini");
        writeBytes(file, "[Plik]\r\nNazwa=" + cp + "\r\nSort=4\r\n");
        {
            TIniFile ini(file);
            QVERIFY(ini.WasRead());
            QCOMPARE(ini.ReadString("Plik", "Nazwa", ""), name);
            QCOMPARE(ini.ReadInteger("Plik", "Sort", 0), 4);
            QVERIFY(ini.UpdateFile());
        }
        // Written back as UTF-8.
        QVERIFY(readBytes(file).contains(name.toUtf8()));
        QCOMPARE(TIniFile(file).ReadString("Plik", "Nazwa", ""), name);
    }

    void stringValues() {
        const QString file = path("strings.ini");
        writeBytes(file, "[Fonty1]\nNazwa=  Times New Roman  \nPuste=\n");
        TIniFile ini(file);
        QCOMPARE(ini.ReadString("Fonty1", "Nazwa", "Arial"), QString("Times New Roman"));
        // Present but empty is a value, not a missing key.
        QCOMPARE(ini.ReadString("Fonty1", "Puste", "Arial"), QString());
        QCOMPARE(ini.ReadString("Fonty1", "Brak", "Arial"), QString("Arial"));
        QCOMPARE(ini.ReadInteger("Fonty1", "Puste", 10), 10);

        // A line break in a value must not split the line and forge another key.
        ini.WriteString("Fonty1", "Nazwa", "A\nSize=99");
        QVERIFY(ini.UpdateFile());
        const TIniFile again(file);
        QVERIFY(!again.ValueExists("Fonty1", "Size"));
        QCOMPARE(again.Keys("Fonty1"), QStringList({"Nazwa", "Puste"}));
    }

    // Damaged settings files found by fuzzing. Whatever the file holds, every key it lists can be
    // found by its name, and writing the program's keys back loses or changes none of the others.
    void damagedFilesSurviveWritingBack_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("unclosed section line") << QByteArray("[Plik]\n"
                                                             "Nazwa=brak\n"
                                                             "[Plik]\n"
                                                             "nazwa=drugi\n"
                                                             "Sort=1\n"
                                                             "[Form1]\n"
                                                             "WysRow=0\n"
                                                             "[]\n"
                                                             "=pusty\n"
                                                             "bez wartosci\n"
                                                             "[niedomkniety\n"
                                                             "x=y\n");
        QTest::newRow("byte-order mark inside") << QByteArray("[Form1]\n"
                                                              "Left=692)\n"
                                                              "Top=5\r\n"
                                                              "W\n"
                                                              "Siidth=$F\r\n"
                                                              "[F[Form1]\n"
                                                              "Left=692)\n"
                                                              "\xef"
                                                              "\xbb"
                                                              "\xbf"
                                                              "=5\r\n"
                                                              "W\n"
                                                              "Siidth=$F\r\n"
                                                              "[F0x\r\n"
                                                              "LiteryF=-\r\n"
                                                              "LiteryO=12Kolor]\r\n"
                                                              "FixedColor=0x80\n"
                                                              "Liteibm53eight=71LiteryF=0\n"
                                                              "LiteryO=0\n");
        QTest::newRow("vertical tab before a key") << QByteArray("[Fmny]\n"
                                                                 "Imie=1&0\n"
                                                                 "Nazwisko=140\n"
                                                                 "\x0b"
                                                                 "sywa=140\n"
                                                                 "\n"
                                                                 "[\xff"
                                                                 "\xff"
                                                                 "\xff"
                                                                 "\xff"
                                                                 "\xff"
                                                                 "\xff"
                                                                 "\xff"
                                                                 "\xff"
                                                                 "eft=10\n"
                                                                 "Top=10\n"
                                                                 "Width=454\n"
                                                                 "Height=715\n"
                                                                 "Koloror=0\n"
                                                                 "FontStyle=1\n"
                                                                 "\n"
                                                                 "[Kolumny]\n"
                                                                 "Imie=100\n"
                                                                 "Nazwisko=140\n"
                                                                 "Ksywa=140\n"
                                                                 "\n"
                                                                 "[Form2]\n"
                                                                 "Left=10\n"
                                                                 "Top=10\n"
                                                                 "Width=454\n"
                                                                 "Height=714\n"
                                                                 "KolorF=-2147483633\n"
                                                                 "KolorO=-21ft=10\n"
                                                                 "Top=0W1\n"
                                                                 "idth=454\n"
                                                                 "Height=714\n"
                                                                 "KolorF=-2147483633\n"
                                                                 "KolorO=-2147483643\n"
                                                                 "Lit`ryF=0\n"
                                                                 "LiteryO=0\n");
    }

    void damagedFilesSurviveWritingBack() {
        QFETCH(QByteArray, bytes);
        const QString file = path("uszkodzony.ini");
        writeBytes(file, bytes);
        QMap<QPair<QString, QString>, QString> before;
        {
            TIniFile ini(file);
            QVERIFY(ini.WasRead());
            for (const QString& section : ini.Sections()) {
                for (const QString& key : ini.Keys(section)) {
                    QVERIFY2(ini.ValueExists(section, key), qPrintable(section + "/" + key));
                    before.insert({section, key}, ini.ReadString(section, key, "?"));
                }
            }
            ini.WriteInteger("Form1", "WysRow", 22);
            QVERIFY(ini.UpdateFile());
        }
        const TIniFile again(file);
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            if (it.key() == qMakePair(QString("Form1"), QString("WysRow")))
                continue;
            QCOMPARE(again.ReadString(it.key().first, it.key().second, "brak"), it.value());
        }
    }

    void unclosedSectionLineIsSkipped() {
        const QString file = path("niedomkniety.ini");
        writeBytes(file, "[Form1]\nLeft=5\n[Form2\nTop=7\n[Plik]\nSort=2\n");
        const TIniFile ini(file);
        // The broken line names no section: the key under it stays with the one before.
        QCOMPARE(ini.Sections(), QStringList({"Form1", "Plik"}));
        QCOMPARE(ini.ReadInteger("Form1", "Top", 0), 7);
        QCOMPARE(ini.ReadInteger("Plik", "Sort", 0), 2);
    }

    void failedWriteUnderMissingFolder() {
        const QString file = path("nie/ma/takiego/katalogu/movra.ini");
        TIniFile ini(file);
        ini.WriteInteger("Form1", "Left", 1);
        QVERIFY(!ini.UpdateFile());
        QVERIFY(!ini.ErrorString().isEmpty());
        QVERIFY(!QFile::exists(file));
    }

    void failedWriteOverFolder() {
        // A folder where the file should be: nothing can replace it.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath("movra.ini");
        QVERIFY(QDir().mkdir(file));
        TIniFile ini(file);
        QVERIFY(!ini.WasRead());
        ini.WriteInteger("Form1", "Left", 1);
        QVERIFY(!ini.UpdateFile());
        QVERIFY(!ini.ErrorString().isEmpty());
        QVERIFY(QFileInfo(file).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void failedWriteLeavesOldFile() {
        QTemporaryDir locked;
        QVERIFY(locked.isValid());
        const QString file = locked.filePath("movra.ini");
        const QByteArray old = "[Form1]\nLeft=3\n";
        writeBytes(file, old);
        QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::ExeOwner);
        QFile::setPermissions(file, QFile::ReadOwner);
        const bool stillWritable = QFileInfo(locked.path()).isWritable();
        if (stillWritable) {
            QFile::setPermissions(locked.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("Running with rights that ignore folder permissions");
        }
        TIniFile ini(file);
        QCOMPARE(ini.ReadInteger("Form1", "Left", 0), 3);
        ini.WriteInteger("Form1", "Left", 4);
        ini.WriteString("Plik", "Nazwa", "x.db3");
        const bool written = ini.UpdateFile();
        QFile::setPermissions(locked.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(!written);
        QVERIFY(!ini.ErrorString().isEmpty());
        QCOMPARE(readBytes(file), old);
    }
};

QTEST_GUILESS_MAIN(IniFileTest)
#include "IniFileTest.moc"
