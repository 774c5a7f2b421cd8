#include "services/platform/WindowsPath.h"

#include <QtTest>

class TestWindowsPath : public QObject {
    Q_OBJECT
  private slots:
    void init() { qunsetenv(WindowsPath::DriveRootVariable); }
    void cleanup() { qunsetenv(WindowsPath::DriveRootVariable); }

    void toLocal_data() {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("local");
        QTest::newRow("drive root dir") << "d:\\vqdata"
                                        << "/vqdata";
        QTest::newRow("upper-case drive, nested") << "C:\\setup\\data\\vqdata"
                                                  << "/setup/data/vqdata";
        QTest::newRow("drive alone") << "d:"
                                     << "/";
        QTest::newRow("drive-relative") << "d:vqdata"
                                        << "/vqdata";
        QTest::newRow("mixed separators") << "/tmp/x\\data\\vqdata"
                                          << "/tmp/x/data/vqdata";
        QTest::newRow("relative") << "data\\vqdata"
                                  << "data/vqdata";
        QTest::newRow("trailing separator kept") << "d:\\vqdata\\"
                                                 << "/vqdata/";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("colon later is no drive") << "ab:c"
                                                 << "ab:c";
    }
    void toLocal() {
        QFETCH(QString, windows);
        QFETCH(QString, local);
        QCOMPARE(QString::fromStdString(WindowsPath::toLocal(windows.toStdString())), local);
    }

    // An empty variable counts as unset: the plain rule holds.
    void emptyDriveRootChangesNothing() {
        qputenv(WindowsPath::DriveRootVariable, "");
        QCOMPARE(WindowsPath::toLocal("d:\\vqdata"), std::string("/vqdata"));
    }

    void driveRoot_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("local");
        QTest::newRow("default directory") << "/demo/drive"
                                           << "d:\\vqdata"
                                           << "/demo/drive/d/vqdata";
        QTest::newRow("drive letter lower-cased") << "/demo/drive"
                                                  << "C:\\setup\\data\\vqdata"
                                                  << "/demo/drive/c/setup/data/vqdata";
        QTest::newRow("root with trailing slash") << "/demo/drive/"
                                                  << "d:/x"
                                                  << "/demo/drive/d/x";
        QTest::newRow("drive alone") << "/demo/drive"
                                     << "d:"
                                     << "/demo/drive/d/";
        QTest::newRow("drive-relative") << "/demo/drive"
                                        << "e:db"
                                        << "/demo/drive/e/db";
        QTest::newRow("absolute without drive not moved") << "/demo/drive"
                                                          << "/tmp/x\\data"
                                                          << "/tmp/x/data";
        QTest::newRow("relative not moved") << "/demo/drive"
                                            << "data\\vqdata"
                                            << "data/vqdata";
        QTest::newRow("colon later is no drive") << "/demo/drive"
                                                 << "ab:c"
                                                 << "ab:c";
        QTest::newRow("empty") << "/demo/drive"
                               << ""
                               << "";
    }
    // The explicit root and the environment's give the same answer: one rule for both.
    void driveRoot() {
        QFETCH(QString, root);
        QFETCH(QString, windows);
        QFETCH(QString, local);
        QCOMPARE(
            QString::fromStdString(WindowsPath::toLocal(windows.toStdString(), root.toStdString())),
            local);
        qputenv(WindowsPath::DriveRootVariable, root.toUtf8());
        QCOMPARE(QString::fromStdString(WindowsPath::toLocal(windows.toStdString())), local);
    }
};

QTEST_GUILESS_MAIN(TestWindowsPath)
#include "tst_windowspath.moc"
