#include "services/platform/WindowsPath.h"

#include <QtTest>

class TestWindowsPath : public QObject {
    Q_OBJECT
  private slots:
    void init() { qunsetenv(WindowsPath::DriveRootVariable); }
    void cleanup() { qunsetenv(WindowsPath::DriveRootVariable); }

    void toLocal_data() {
        QTest::addColumn<QString>("root"); // empty: none
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("local");
        const auto row = [](const char* tag, const QString& root, const QString& windows,
                            const QString& local) {
            QTest::newRow(tag) << root << windows << local;
        };
        row("drive root dir", "", "d:\\vqdata", "/vqdata");
        row("upper-case drive, nested", "", "C:\\setup\\data\\vqdata", "/setup/data/vqdata");
        row("drive alone", "", "d:", "/");
        row("drive-relative", "", "d:vqdata", "/vqdata");
        row("mixed separators", "", "/tmp/x\\data\\vqdata", "/tmp/x/data/vqdata");
        row("relative", "", "data\\vqdata", "data/vqdata");
        row("trailing separator kept", "", "d:\\vqdata\\", "/vqdata/");
        row("empty", "", "", "");
        row("colon later is no drive", "", "ab:c", "ab:c");
        const QString root = "/demo/drive";
        row("root: default directory", root, "d:\\vqdata", "/demo/drive/d/vqdata");
        row("root: drive letter lower-cased", root, "C:\\setup\\data\\vqdata",
            "/demo/drive/c/setup/data/vqdata");
        row("root: root with trailing slash", "/demo/drive/", "d:/x", "/demo/drive/d/x");
        row("root: drive alone", root, "d:", "/demo/drive/d/");
        row("root: drive-relative", root, "e:db", "/demo/drive/e/db");
        row("root: absolute without drive not moved", root, "/tmp/x\\data", "/tmp/x/data");
        row("root: relative not moved", root, "data\\vqdata", "data/vqdata");
        row("root: colon later is no drive", root, "ab:c", "ab:c");
        row("root: empty", root, "", "");
    }
    // The explicit root and the environment's give the same answer: one rule for both. An
    // empty variable counts as unset.
    void toLocal() {
        QFETCH(QString, root);
        QFETCH(QString, windows);
        QFETCH(QString, local);
        const auto fromEnvironment = [&] {
            return QString::fromStdString(WindowsPath::toLocal(windows.toStdString()));
        };
        if (root.isEmpty())
            QCOMPARE(fromEnvironment(), local);
        QCOMPARE(
            QString::fromStdString(WindowsPath::toLocal(windows.toStdString(), root.toStdString())),
            local);
        qputenv(WindowsPath::DriveRootVariable, root.toUtf8());
        QCOMPARE(fromEnvironment(), local);
    }
};

QTEST_GUILESS_MAIN(TestWindowsPath)
#include "tst_windowspath.moc"
