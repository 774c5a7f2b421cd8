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
        QTest::addColumn<QString>("underRoot"); // with the drives under /demo/drive
        const auto row = [](const char* tag, const QString& windows, const QString& local,
                            const QString& underRoot) {
            QTest::newRow(tag) << windows << local << underRoot;
        };
        row("drive root dir", "d:\\vqdata", "/vqdata", "/demo/drive/d/vqdata");
        row("upper-case drive lower-cased, nested", "C:\\setup\\data\\vqdata", "/setup/data/vqdata",
            "/demo/drive/c/setup/data/vqdata");
        row("drive alone", "d:", "/", "/demo/drive/d/");
        row("drive-relative", "e:db", "/db", "/demo/drive/e/db");
        row("absolute without drive, mixed separators", "/tmp/x\\data\\vqdata",
            "/tmp/x/data/vqdata", "/tmp/x/data/vqdata");
        row("relative", "data\\vqdata", "data/vqdata", "data/vqdata");
        row("trailing separator kept", "d:\\vqdata\\", "/vqdata/", "/demo/drive/d/vqdata/");
        row("empty", "", "", "");
        row("colon later is no drive", "ab:c", "ab:c", "ab:c");
    }
    // The explicit root and the environment's give the same answer: one rule for both. An
    // empty variable counts as unset, and a root's trailing slash makes no difference.
    void toLocal() {
        QFETCH(QString, windows);
        QFETCH(QString, local);
        QFETCH(QString, underRoot);
        const std::string path = windows.toStdString();
        const auto read = [](const std::string& converted) {
            return QString::fromStdString(converted);
        };
        QCOMPARE(read(WindowsPath::toLocal(path)), local);
        qputenv(WindowsPath::DriveRootVariable, "");
        QCOMPARE(read(WindowsPath::toLocal(path)), local);
        for (const char* root : {"/demo/drive", "/demo/drive/"}) {
            QCOMPARE(read(WindowsPath::toLocal(path, root)), underRoot);
            qputenv(WindowsPath::DriveRootVariable, root);
            QCOMPARE(read(WindowsPath::toLocal(path)), underRoot);
        }
    }
};

QTEST_GUILESS_MAIN(TestWindowsPath)
#include "tst_windowspath.moc"
