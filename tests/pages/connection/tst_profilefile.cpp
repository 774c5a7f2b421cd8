#include "pages/connection/ProfileFile.h"
#include "pages/connection/ProfileKeys.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace PK = ProfileKeys;

namespace {

// `text` in UTF-16 with its byte-order mark, as Notepad saves "Unicode" files.
QByteArray utf16(const QString& text, bool littleEndian = true) {
    QByteArray out = littleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (QChar c : text) {
        const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
        out.append(littleEndian ? lo : hi).append(littleEndian ? hi : lo);
    }
    return out;
}

} // namespace

class tst_ProfileFile : public QObject {
    Q_OBJECT

    QByteArray disk() const {
        QFile f(m_dir->filePath(PK::FileName));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void setDisk(const QByteArray& bytes) const {
        QFile f(m_dir->filePath(PK::FileName));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QStringList entries() const {
        return QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCwd;

  private slots:
    // Every test works on the bare file name in a fresh current directory.
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
    }

    void cleanup() {
        QDir::setCurrent(m_oldCwd);
        m_dir.reset();
    }

    // The keys' own spellings are checked where the connection page saves the whole file.
    void roundTrip_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("readBack");

        auto add = [](const char* tag, QString section, QString key, QString value, QByteArray line,
                      QString readBack = QString()) {
            QTest::newRow(tag) << section << key << value << line
                               << (readBack.isNull() ? value : readBack);
        };
        const QString db = PK::DatabaseSection;
        add("blanks inside", db, PK::DBMS, "MSS Microsoft SQL Server 6.x",
            "DBMS=MSS Microsoft SQL Server 6.x");
        add("empty", db, PK::UserId, "", "UserId=");
        add("semicolon", db, PK::LogPassword, "p@ss; word", "LogPassword=p@ss; word");
        add("DBParm unescaped", db, PK::DBParm, "Provider='SQLOLEDB',Database='x'",
            "DBParm=Provider='SQLOLEDB',Database='x'");
        add("mkini", PK::MkiniSection, PK::Connect, "1", "connect=1");
        // Stored as given; reading follows the Windows rules, so blanks and one quote pair go.
        add("leading blanks", db, PK::DBMS, "  padded\t", "DBMS=  padded\t", "padded");
        add("double quotes", db, PK::Database, "\"quoted\"", "Database=\"quoted\"", "quoted");
        add("chinese as GB18030", db, PK::Database, "酒店数据库",
            "Database=" + QByteArray::fromHex("bec6b5eacafdbeddbfe2"));
        add("beyond GBK", db, PK::LogPassword, "€😀",
            "LogPassword=" + QByteArray::fromHex("a2e39439fc36"));
    }

    void roundTrip() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, line);
        QFETCH(QString, readBack);

        const ProfileFile::WriteResult written = ProfileFile().write(section, key, value);
        QVERIFY2(written, qPrintable(written.error));
        QCOMPARE(disk(), "[" + section.toLatin1() + "]\r\n" + line + "\r\n");
        QCOMPARE(ProfileFile().read(section.toUpper(), key.toLower(), "<default>"), readBack);
    }

    void readRules_data() {
        QTest::addColumn<QByteArray>("content"); // null: no file at all
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        auto row = [](const char* tag, QByteArray content, QString key, QString expected) {
            QTest::newRow(tag) << content << key << expected;
        };
        const QByteArray db = "[database]\r\n";
        row("names ignore case", "[DataBase]\r\ndbms=MSS\r\n", "DBMS", "MSS");
        row("blanks and tabs", db + " \t DBMS \t=\t MSS SQL \t\r\n", "DBMS", "MSS SQL");
        row("ideographic space is content", db + "DBMS=\xA1\xA1x\r\n", "DBMS", "　x");
        row("one quote pair only", db + "DBParm=\"\"x\"\"\r\n", "DBParm", "\"x\"");
        row("single quotes", db + "DBParm='a,b'\r\n", "DBParm", "a,b");
        row("unmatched quotes", db + "DBParm=\"a'\r\n", "DBParm", "\"a'");
        row("empty value is not the default", db + "Lock=\r\n", "Lock", "");
        row("GB18030", db + "Database=\xBE\xC6\xB5\xEA\r\n", "Database", "酒店");
        row("UTF-8 with BOM", "\xEF\xBB\xBF" + db + "Database=酒店\r\n", "Database", "酒店");
        row("UTF-16LE with BOM", utf16("[database]\r\nDatabase=酒店\r\n"), "Database", "酒店");
        row("UTF-16BE with BOM", utf16("[database]\r\nDatabase=酒店\r\n", false), "Database",
            "酒店");
        row("UTF-16 unterminated", utf16("[mkini]\r\n[database]\r\nDBMS=x"), "DBMS", "x");
        // CRLF, LF and a CR alone each end a line.
        row("mixed line ends", "[a]\r\nDBMS=no\n[database]\rDBMS=yes", "DBMS", "yes");
        row("first key wins", db + "DBMS=a\r\ndbms=b\r\n", "DBMS", "a");
        // Neither merged with the first nor read instead of it.
        row("later duplicate section ignored", db + db + "Lock=x\r\n", "Lock", "<default>");
        row("key of another section", db + "[mkini]\r\nDBMS=x\r\n", "DBMS", "<default>");
        row("key before any section", "DBMS=x\r\n" + db, "DBMS", "<default>");
        row("comment", db + ";DBMS=x\r\n", "DBMS", "<default>");
        row("missing section", "[mkini]\r\nDBMS=1\r\n", "DBMS", "<default>");
        row("missing file", QByteArray(), "DBMS", "<default>");
    }

    void readRules() {
        QFETCH(QByteArray, content);
        QFETCH(QString, key);
        QFETCH(QString, expected);

        if (!content.isNull())
            setDisk(content);
        QCOMPARE(ProfileFile().read(PK::DatabaseSection, key, "<default>"), expected);
        QCOMPARE(entries().size(), content.isNull() ? 0 : 1);
    }

    void defaultLosesTrailingBlanks_data() {
        QTest::addColumn<QString>("defaultValue");
        QTest::addColumn<QString>("expected");

        const auto row = [](const char* tag, const char* given, const char* seen) {
            QTest::newRow(tag) << QString(given) << QString(seen);
        };
        row("trailing ones go, inner stay", "one two  ", "one two");
        row("leading blanks kept", "  dflt", "  dflt");
        row("tab is not a blank", "dflt\t", "dflt\t");
    }

    // Only a missing key gives the default; the hotel programs see it without trailing blanks.
    void defaultLosesTrailingBlanks() {
        QFETCH(QString, defaultValue);
        QFETCH(QString, expected);

        QCOMPARE(ProfileFile().read(PK::DatabaseSection, PK::DBMS, defaultValue), expected);
        setDisk("[database]\r\nLock=\r\n");
        QCOMPARE(ProfileFile().read(PK::DatabaseSection, PK::DBMS, defaultValue), expected);
        QCOMPARE(ProfileFile().read(PK::DatabaseSection, PK::Lock, defaultValue), QString(""));
    }

    void writeKeepsOtherLines_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        auto row = [](const char* tag, QByteArray before, QString section, QString key,
                      QString value, QByteArray after) {
            QTest::newRow(tag) << before << section << key << value << after;
        };
        const QString db = PK::DatabaseSection, mk = PK::MkiniSection;
        const QByteArray tail =
            "\r\n; hotel programs read this\r\n[mkini]\r\nconnect=0\r\nOther = kept \r\n";
        row("replace in place, any case",
            "; top\r\n[Database]\r\n  dbms = old \r\nLock=\r\n" + tail, db, "DBMS", "new",
            "; top\r\n[Database]\r\ndbms=new\r\nLock=\r\n" + tail);
        row("new key after the last key", "[database]\r\nDBMS=x\r\n" + tail, db, "LogId", "SA",
            "[database]\r\nDBMS=x\r\nLogId=SA\r\n" + tail);
        row("key into empty section", "[mkini]\r\n\r\n[database]\r\n", mk, "data", "1",
            "[mkini]\r\ndata=1\r\n\r\n[database]\r\n");
        row("section appended after unterminated line", "[database]\r\nDBMS=x", mk, "connect", "1",
            "[database]\r\nDBMS=x\r\n[mkini]\r\nconnect=1\r\n");
        row("LF line kept LF", "[database]\nDBMS=x\nLock=\n", db, "DBMS", "y",
            "[database]\nDBMS=y\nLock=\n");
        row("undecodable bytes kept", "[database]\r\nNote=\xFF\x80\xFE\r\nDBMS=x\r\n", db, "DBMS",
            "y", "[database]\r\nNote=\xFF\x80\xFE\r\nDBMS=y\r\n");
        row("only the first duplicate section", "[database]\r\nDBMS=a\r\n[database]\r\nDBMS=b\r\n",
            db, "DBMS", "c", "[database]\r\nDBMS=c\r\n[database]\r\nDBMS=b\r\n");
        row("UTF-8 file stays UTF-8", "\xEF\xBB\xBF[database]\r\n", db, "Database", "酒店",
            "\xEF\xBB\xBF[database]\r\nDatabase=酒店\r\n");
        row("UTF-16LE value replaced", utf16("[database]\r\nDBMS=old\r\nLock=\r\n"), db, "DBMS",
            "新", utf16("[database]\r\nDBMS=新\r\nLock=\r\n"));
        row("UTF-16LE key added", utf16("[database]\r\nDBMS=x\r\n[mkini]\r\n"), db, "LogId", "SA",
            utf16("[database]\r\nDBMS=x\r\nLogId=SA\r\n[mkini]\r\n"));
        row("UTF-16BE section added", utf16("[database]\r\nDBMS=x", false), mk, "connect", "1",
            utf16("[database]\r\nDBMS=x\r\n[mkini]\r\nconnect=1\r\n", false));
        row("UTF-16 beyond the BMP", utf16("[database]\r\n"), db, "LogPassword", "密😀",
            utf16("[database]\r\nLogPassword=密😀\r\n"));
        // New lines take the file's own line end, so a CR-only file stays one the Windows
        // functions and the hotel programs' editors read the same way.
        row("CR key added", "[database]\rDBMS=x\r[mkini]\r", db, "LogId", "SA",
            "[database]\rDBMS=x\rLogId=SA\r[mkini]\r");
        row("LF key added", "[database]\nDBMS=x\n", db, "Lock", "", "[database]\nDBMS=x\nLock=\n");
    }

    void writeKeepsOtherLines() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);

        setDisk(before);
        const auto perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(PK::FileName, perms));
        const ProfileFile::WriteResult written = ProfileFile().write(section, key, value);
        QVERIFY2(written, qPrintable(written.error));
        QCOMPARE(disk(), after);
        QCOMPARE(QFile::permissions(PK::FileName) & ~(QFile::ReadUser | QFile::WriteUser), perms);
        QCOMPARE(entries(), QStringList{PK::FileName});
    }

    void failedWriteLeavesFile_data() {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");

        const QString file = PK::FileName;
        QTest::newRow("read-only file") << true << file << QString(PK::DBMS) << "x";
        QTest::newRow("missing directory")
            << false << "missing/" + file << QString(PK::DBMS) << "x";
        // These would rewrite other keys or sections if stored as given.
        QTest::newRow("line break in value")
            << false << file << QString(PK::DBMS) << "x\r\n[mkini]\r\ndata=1";
        QTest::newRow("'=' in key") << false << file << QString("DB=MS") << "x";
        QTest::newRow("unencodable value")
            << false << file << QString(PK::DBMS) << QString(QChar(0xD800));
    }

    void failedWriteLeavesFile() {
        QFETCH(bool, readOnly);
        QFETCH(QString, file);
        QFETCH(QString, key);
        QFETCH(QString, value);

        const QByteArray before = "[database]\r\nDBMS=old\r\n";
        setDisk(before);
        if (readOnly)
            QVERIFY(QFile::setPermissions(PK::FileName, QFile::ReadOwner | QFile::ReadGroup));
        const ProfileFile::WriteResult written =
            ProfileFile(file).write(PK::DatabaseSection, key, value);
        QVERIFY(!written);
        QVERIFY(!written.error.isEmpty());
        QCOMPARE(disk(), before);
        QCOMPARE(entries(), QStringList{PK::FileName});
    }

    void fullDiskLeavesFile() {
        const QByteArray before = "[database]\r\nDBParm=" + QByteArray(4000, 'x') + "\r\n";
        setDisk(before);
        QProcess writer;
        writer.start(PROFILE_WRITER_BIN, {PK::FileName, PK::MkiniSection, "data", "1", "2048"});
        QVERIFY(writer.waitForFinished(60000));
        QCOMPARE(writer.exitCode(), 1);
        QVERIFY(!writer.readAllStandardError().isEmpty());
        QCOMPARE(disk(), before);
        QCOMPARE(entries(), QStringList{PK::FileName});
    }

    void concurrentWritersLoseNothing() {
        const int count = 200;
        QProcess a, b;
        for (auto [writer, prefix] : {std::pair{&a, "a"}, std::pair{&b, "b"}})
            writer->start(PROFILE_WRITER_BIN,
                          {PK::FileName, PK::DatabaseSection, prefix, QString::number(count)});
        for (QProcess* writer : {&a, &b}) {
            QVERIFY(writer->waitForFinished(300000));
            QVERIFY2(writer->exitCode() == 0, writer->readAllStandardError().constData());
        }
        for (const char* prefix : {"a", "b"})
            for (int i = 0; i < count; ++i)
                QCOMPARE(ProfileFile().read(PK::DatabaseSection, prefix + QString::number(i), ""),
                         "v" + QString::number(i));
        QCOMPARE(entries(), QStringList{PK::FileName});
    }

    // A profile given a directory reads and writes there even after the process changes directory;
    // one given none follows the current directory, as a bare name does for the hotel programs.
    void directoryIsKeptWhateverTheCurrentDirectory() {
        const ProfileFile fixed(PK::FileName, m_dir->path());
        const ProfileFile bare;
        QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        QVERIFY(fixed.write(PK::MkiniSection, PK::Data, "1"));
        QCOMPARE(disk(), QByteArray("[mkini]\r\ndata=1\r\n"));
        QCOMPARE(bare.read(PK::MkiniSection, PK::Data, "none"), QStringLiteral("none"));
        QVERIFY(bare.write(PK::MkiniSection, PK::Data, "0"));
        QCOMPARE(ProfileFile(PK::FileName, elsewhere.path()).read(PK::MkiniSection, PK::Data, ""),
                 QStringLiteral("0"));
        QCOMPARE(fixed.read(PK::MkiniSection, PK::Data, ""), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_profilefile.moc"
