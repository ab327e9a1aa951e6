#include "platform/core/CurrentPrinter.h"
#include "platform/core/Dialogs.h"
#include "platform/core/PicturePreview.h"
#include "platform/core/PolishLocale.h"
#include "platform/core/ProgramFolder.h"
#include "platform/core/QtDialogs.h"
#include "tests/support/TestFiles.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QLibraryInfo>
#include <QtCore/QStandardPaths>
#include <QtCore/QTimer>
#include <QtGui/QFileSystemModel>
#include <QtPrintSupport/QPrinter>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <functional>

using namespace movra;
using namespace movra::test;

namespace {

// Acts on the next message box as soon as it is shown (its exec() runs its own event loop).
void onNextMessageBox(std::function<void(QMessageBox*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(box);
        }
    });
    timer->start();
}

QString buttonText(QMessageBox* box, QMessageBox::StandardButton b) {
    QAbstractButton* button = box->button(b);
    return button ? button->text().remove(QLatin1Char('&')) : QString();
}

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void programFolderOverride() {
        const QString normal = ProgramFolder();
        QVERIFY(normal.endsWith('/'));
        QString seen;
        {
            TempProgramFolder folder;
            QVERIFY(folder.isValid());
            seen = ProgramFolder();
            QCOMPARE(seen, folder.path());
            QVERIFY(seen.endsWith('/'));
            QVERIFY(folder.write("movra.ini", "[Plik]\n"));
            QVERIFY(QFileInfo::exists(ProgramFolder() + "movra.ini"));
        }
        QCOMPARE(ProgramFolder(), normal);
        QVERIFY(seen != normal);

        // A folder given without a separator gets one.
        SetProgramFolderOverride(QDir::tempPath());
        QCOMPARE(ProgramFolder(), QDir::tempPath() + '/');
        SetProgramFolderOverride(QString());
        QCOMPARE(ProgramFolder(), normal);
    }

    void programFolderBesideWritableExecutable() {
        // The tests run from the build folder, which is writable.
        QCOMPARE(ExecutableFolder(), QCoreApplication::applicationDirPath() + '/');
        QCOMPARE(ProgramFolder(), ExecutableFolder());
    }

    void installedProgramUsesDataFolder() {
        // A folder the program cannot write to in any case: one that does not exist.
        const QString data = UserDataFolder();
        QVERIFY(data.endsWith("/Movra/"));
        QVERIFY(QFileInfo(data).isDir()); // created on demand
        QCOMPARE(ProgramFolderFor(QStringLiteral("/nie/ma/takiego/katalogu")), data);

        QTemporaryDir installed;
        QVERIFY(installed.isValid());
        QCOMPARE(ProgramFolderFor(installed.path()), installed.path() + '/');
        QFile::setPermissions(installed.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool stillWritable = QFileInfo(installed.path()).isWritable();
        const QString chosen = ProgramFolderFor(installed.path());
        QFile::setPermissions(installed.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (stillWritable)
            QSKIP("Running with rights that ignore folder permissions");
        QCOMPARE(chosen, UserDataFolder());
        QVERIFY(chosen.endsWith("/Movra/"));
        QVERIFY(QFileInfo(chosen).isDir()); // created on demand
    }

    void helpFileLookup() {
        TempProgramFolder folder;
        const QString name =
            QStringLiteral("MovraTestHelp-%1.rtf").arg(QCoreApplication::applicationPid());
        QCOMPARE(FindHelpFile(name), QString());
        QVERIFY(folder.write(name, "{\\rtf1 dane}"));
        QCOMPARE(FindHelpFile(name), folder.file(name));
        // Beside the executable comes first.
        const QString beside = ExecutableFolder() + name;
        QFile f(beside);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(FindHelpFile(name), beside);
        QFile::remove(beside);
    }

    void nameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("album") << "Pliki bazowe (*.db3)|*.db3|Dowolne pliki (*.*)|*.*"
                               << QStringList{"Pliki bazowe (*.db3)", "Dowolne pliki (*.*)"};
        QTest::newRow("one choice")
            << "JPEG Image (*.jpg)|*.jpg" << QStringList{"JPEG Image (*.jpg)"};
        QTest::newRow("case differs")
            << "Pliki - Bitmapy (*.BMP)|*.bmp" << QStringList{"Pliki - Bitmapy (*.BMP)"};
        QTest::newRow("no patterns in text")
            << "Obrazy|*.jpg;*.jpeg|Wszystko|*"
            << QStringList{"Obrazy (*.jpg *.jpeg)", "Wszystko (*)"};
        QTest::newRow("other parentheses")
            << "Zdjęcia (JPEG)|*.jpg" << QStringList{"Zdjęcia (JPEG) (*.jpg)"};
        QTest::newRow("missing pattern") << "Wszystkie pliki" << QStringList{"Wszystkie pliki (*)"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("pictures") << "Pliki obrazy (*.jpg)|*.jpg|Dowolne pliki (*.*)|*.*"
                                  << QStringList{"Pliki obrazy (*.jpg)", "Dowolne pliki (*.*)"};
    }

    void nameFilters() {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(QtNameFilters(filter), expected);
    }

    void configureFileDialog() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        FileDialogOptions o;
        o.Title = QStringLiteral("Nowa baza");
        o.InitialDir = dir.path();
        o.FileName = QStringLiteral("zerowa.db3");
        o.Filter = QStringLiteral("Pliki bazowe (*.db3)|*.db3|Dowolne pliki (*.*)|*.*");
        o.DefaultExt = QStringLiteral(".db3");
        QFileDialog dialog;
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        ConfigureFileDialog(dialog, o);
        QCOMPARE(dialog.windowTitle(), o.Title);
        QCOMPARE(QDir(dialog.directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        QCOMPARE(dialog.nameFilters(),
                 QStringList({"Pliki bazowe (*.db3)", "Dowolne pliki (*.*)"}));
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("db3")); // leading dot dropped
        QVERIFY(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(QFileInfo(dialog.selectedFiles().value(0)).fileName(), o.FileName);

        // A typed name without an extension gets the default one; one with an extension keeps it.
        dialog.selectFile(QStringLiteral("klasa"));
        QCOMPARE(QFileInfo(dialog.selectedFiles().value(0)).fileName(),
                 QStringLiteral("klasa.db3"));
        dialog.selectFile(QStringLiteral("klasa.sqlite"));
        QCOMPARE(QFileInfo(dialog.selectedFiles().value(0)).fileName(),
                 QStringLiteral("klasa.sqlite"));

        o.ConfirmOverwrite = true;
        ConfigureFileDialog(dialog, o);
        QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));

        // A full path and no folder: the dialog starts in the file's folder.
        FileDialogOptions p;
        p.FileName = dir.filePath(QStringLiteral("fotka.jpg"));
        QFileDialog second;
        ConfigureFileDialog(second, p);
        QCOMPARE(QDir(second.directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    }

    // Choosing the PDF type and typing a bare name saves a .pdf, not a file of the default type.
    void savedNameTakesTheChosenTypesExtension() {
        FileDialogOptions o;
        o.FileName = QStringLiteral("foto.emf");
        o.Filter = QStringLiteral("Pliki WindowsMetaFile (*.emf)|*.emf|Dokument PDF (*.pdf)|*.pdf|"
                                  "Dowolne pliki   (*.*)|*.*");
        o.DefaultExt = QStringLiteral("emf");
        QFileDialog dialog;
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        ConfigureFileDialog(dialog, o);
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        // The type list as a user steps through it with the keyboard.
        auto choose = [&](Qt::Key key) {
            QTest::keyClick(types, key);
            dialog.selectFile(QStringLiteral("strona"));
            return QFileInfo(dialog.selectedFiles().value(0)).fileName();
        };
        QCOMPARE(choose(Qt::Key_Down), QStringLiteral("strona.pdf"));
        QCOMPARE(choose(Qt::Key_Down), QStringLiteral("strona.emf")); // any files
        QCOMPARE(choose(Qt::Key_Home), QStringLiteral("strona.emf"));
    }

    void filterMatchesRegardlessOfCase() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* name : {"A.JPG", "b.jpg", "c.txt"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        FileDialogOptions o;
        o.InitialDir = dir.path();
        o.Filter = QStringLiteral("JPEG Image (*.jpg)|*.jpg");
        QFileDialog dialog;
        dialog.setFileMode(QFileDialog::ExistingFile);
        ConfigureFileDialog(dialog, o);
        auto* model = dialog.findChild<QFileSystemModel*>();
        QVERIFY(model);
        const QModelIndex root = model->index(dir.path());
        QTRY_COMPARE(model->rowCount(root), 2);
        QStringList names;
        for (int r = 0; r < model->rowCount(root); ++r)
            names << model->index(r, 0, root).data().toString();
        names.sort();
        QCOMPARE(names, QStringList({"A.JPG", "b.jpg"}));
    }

    void picturePreview() {
        QTemporaryDir dir;
        const QString big = dir.filePath("duze.jpg");
        QVERIFY(WriteJpeg(big, 800, 600, QColor(10, 200, 30), true));
        const QImage a = PicturePreview(big, QSize(160, 160));
        QCOMPARE(a.size(), QSize(160, 120));
        const QImage tall = PicturePreview(big, QSize(100, 300));
        QCOMPARE(tall.size(), QSize(100, 75));

        const QString small = dir.filePath("male.jpg");
        QVERIFY(WriteJpeg(small, 50, 40, QColor(200, 10, 10)));
        const QImage b = PicturePreview(small, QSize(160, 160));
        QCOMPARE(b.size(), QSize(50, 40)); // never enlarged
        const QColor c = b.pixelColor(25, 20);
        QVERIFY(qAbs(c.red() - 200) < 12 && c.green() < 25 && c.blue() < 25);

        QFile text(dir.filePath("opis.jpg"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("to nie jest obraz");
        text.close();
        QVERIFY(PicturePreview(text.fileName(), QSize(160, 160)).isNull());
        QVERIFY(PicturePreview(dir.filePath("brak.jpg"), QSize(160, 160)).isNull());
        QVERIFY(PicturePreview(dir.path(), QSize(160, 160)).isNull());
    }

    void currentPrinterIsShared() {
        QPrinter& p = CurrentPrinter();
        QCOMPARE(&CurrentPrinter(), &p);
        QVERIFY(p.resolution() >= 300);
        p.setPageOrientation(QPageLayout::Landscape);
        QCOMPARE(CurrentPrinter().pageLayout().orientation(), QPageLayout::Landscape);
        p.setPageOrientation(QPageLayout::Portrait);
        QCOMPARE(CurrentPrinter().pageLayout().orientation(), QPageLayout::Portrait);
    }

    void qtMessageBoxes() {
        QtDialogs qt;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title, text;
        QStringList buttons;
        const auto capture = [&](QMessageBox::StandardButton press) {
            onNextMessageBox([&, press](QMessageBox* box) {
                icon = box->icon();
                title = box->windowTitle();
                text = box->text();
                buttons.clear();
                for (QAbstractButton* b : box->buttons())
                    buttons << QString::number(box->standardButton(b));
                box->button(press)->click();
            });
        };

        capture(QMessageBox::Ok);
        QCOMPARE(qt.Box(nullptr, MsgKind::Message, "Plik bazowy  a.db3  został zregenerowany.",
                        MsgButtons::Ok, QString()),
                 MsgResult::Ok);
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(title, QStringLiteral("Movra")); // no caption: the application's title
        QCOMPARE(buttons, QStringList{QString::number(QMessageBox::Ok)});

        capture(QMessageBox::No);
        QCOMPARE(qt.Box(nullptr, MsgKind::Confirmation, "Zniszczyć?", MsgButtons::YesNoCancel,
                        "Pytanie"),
                 MsgResult::No);
        QCOMPARE(icon, QMessageBox::Question);
        QCOMPARE(title, QStringLiteral("Pytanie"));
        QCOMPARE(buttons.size(), 3);

        capture(QMessageBox::Yes);
        QCOMPARE(qt.Box(nullptr, MsgKind::Warning, "?", MsgButtons::YesNo, {}), MsgResult::Yes);
        QCOMPARE(icon, QMessageBox::Warning);

        // Line breaks written as "\n\r" become one break on screen; texts stay plain.
        capture(QMessageBox::Ok);
        (void)qt.Box(nullptr, MsgKind::Error, "pierwsza \n\r druga <b>x</b>", MsgButtons::Ok, {});
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(text, QStringLiteral("pierwsza \n druga <b>x</b>"));
        capture(QMessageBox::Ok);
        (void)qt.Box(nullptr, MsgKind::Information, "a\r\nb", MsgButtons::Ok, {});
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(text, QStringLiteral("a\nb"));

        // Escape answers No in a yes/no box and Cancel in a yes/no/cancel one.
        onNextMessageBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(qt.Box(nullptr, MsgKind::Confirmation, "?", MsgButtons::YesNo, {}), MsgResult::No);
        onNextMessageBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(qt.Box(nullptr, MsgKind::Confirmation, "?", MsgButtons::YesNoCancel, {}),
                 MsgResult::Cancel);

        // The question about a record another program changed: each button says what it does,
        // and Enter or Escape take the choice that loses nothing.
        QStringList labels;
        onNextMessageBox([&labels](QMessageBox* box) {
            for (const auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                labels << buttonText(box, b);
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(qt.Box(nullptr, MsgKind::Warning, "?", MsgButtons::OverwriteKeepCancel, {}),
                 MsgResult::No);
        QCOMPARE(labels, (QStringList{QStringLiteral("Nadpisz"), QStringLiteral("Pokaż zapisaną"),
                                      QStringLiteral("Anuluj")}));
        onNextMessageBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
        QCOMPARE(qt.Box(nullptr, MsgKind::Warning, "?", MsgButtons::OverwriteKeepCancel, {}),
                 MsgResult::Cancel);
        onNextMessageBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(qt.Box(nullptr, MsgKind::Warning, "?", MsgButtons::OverwriteKeepCancel, {}),
                 MsgResult::Cancel);
    }

    void polishTranslation() {
        const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (!QFileInfo::exists(dir + QStringLiteral("/qtbase_pl.qm")))
            QSKIP("Qt's Polish translation is not installed");
        QVERIFY(InstallPolish(*qApp));
        QCOMPARE(QLocale().language(), QLocale::Polish);
        QCOMPARE(QLocale().territory(), QLocale::Poland);
        QCOMPARE(QLocale().toString(1.5, 'f', 1), QStringLiteral("1,5"));

        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(buttonText(&box, QMessageBox::Yes), QStringLiteral("Tak"));
        QCOMPARE(buttonText(&box, QMessageBox::No), QStringLiteral("Nie"));
        QCOMPARE(buttonText(&box, QMessageBox::Cancel), QStringLiteral("Anuluj"));
    }
};

QTEST_MAIN(PlatformTest)
#include "PlatformTest.moc"
