#include "WindowsPath.h"

#include <QtTest>

class TestWindowsPath : public QObject {
    Q_OBJECT
private slots:
    void toLocal_data() {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("local");
        QTest::newRow("drive root dir") << "d:\\vqdata" << "/vqdata";
        QTest::newRow("upper-case drive, nested") << "C:\\setup\\data\\vqdata" << "/setup/data/vqdata";
        QTest::newRow("drive alone") << "d:" << "/";
        QTest::newRow("drive-relative") << "d:vqdata" << "/vqdata";
        QTest::newRow("mixed separators") << "/tmp/x\\data\\vqdata" << "/tmp/x/data/vqdata";
        QTest::newRow("relative") << "data\\vqdata" << "data/vqdata";
        QTest::newRow("trailing separator kept") << "d:\\vqdata\\" << "/vqdata/";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("colon later is no drive") << "ab:c" << "ab:c";
    }
    void toLocal() {
        QFETCH(QString, windows);
        QFETCH(QString, local);
        QCOMPARE(QString::fromStdString(WindowsPath::toLocal(windows.toStdString())), local);
    }
};

QTEST_GUILESS_MAIN(TestWindowsPath)
#include "tst_windowspath.moc"
