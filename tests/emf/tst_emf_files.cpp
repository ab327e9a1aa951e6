#include <QtTest/QtTest>
class TestEmfFiles : public QObject {
    Q_OBJECT
};
QTEST_MAIN(TestEmfFiles)
#include "tst_emf_files.moc"
