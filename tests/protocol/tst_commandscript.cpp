#include "protocol/CommandScript.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {
// A full file system, for this process: files may grow to `bytes` only, and a write
// beyond that fails (EFBIG) instead of raising SIGXFSZ. Restored on destruction.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &FOld);
        rlimit limited = FOld;
        limited.rlim_cur = bytes;
        FSet = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    bool Set() const { return FSet; }

private:
    rlimit FOld{};
    bool FSet = false;
};

QByteArray encoded(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}
} // namespace

// Command-script files: real files in a temporary folder, read and written as the settings
// and calibration files are.
class tst_commandscript : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }
    QString writeBytes(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return QString();
        return f.fileName();
    }
    QByteArray readBytes(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

private slots:
    void readsLines_data();
    void readsLines();
    void unreadableFiles_data();
    void unreadableFiles();
    void writesLikeTheSettingsFile();
    void failedWriteLeavesEarlierFile();
    void fullDiskLeavesEarlierFile_data();
    void fullDiskLeavesEarlierFile();
    void oversizedFileRefused();
    void commentRule_data();
    void commentRule();
};

void tst_commandscript::readsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    const QStringList two{"*CFG 0 1", ":SYST:AUT 1"};
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("CR LF") << QByteArray("*CFG 0 1\r\n:SYST:AUT 1\r\n") << two;
    QTest::newRow("LF") << QByteArray("*CFG 0 1\n:SYST:AUT 1\n") << two;
    QTest::newRow("CR") << QByteArray("*CFG 0 1\r:SYST:AUT 1\r") << two;
    QTest::newRow("no end on last line") << QByteArray("*CFG 0 1\r\n:SYST:AUT 1") << two;
    QTest::newRow("mixed ends, empty lines")
        << QByteArray("a\r\rb\n\nc\r\n\r\n") << QStringList{"a", "", "b", "", "c", ""};
    QTest::newRow("one line end") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("blanks kept") << QByteArray(" *RCL 1 \t\r\n") << QStringList{" *RCL 1 \t"};
    // 8-bit text is Latin-1: every byte is one character, 0x80-0xFF included
    QTest::newRow("8-bit bytes") << QByteArray("// \xB5s \xE9t\xE9\r\n\x80\xFF\r\n")
                                 << QStringList{QString::fromUtf8("// µs été"),
                                                QString(QChar(0x80)) + QChar(0xFF)};
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF// \xC2\xB5s\r\n*SAV 3\r\n")
                               << QStringList{QString::fromUtf8("// µs"), "*SAV 3"};
    const QString text = QString::fromUtf8("// \u00B5\r\n*RCL 1\r\n");
    const QStringList textLines{QString::fromUtf8("// \u00B5"), "*RCL 1"};
    QTest::newRow("UTF-16 LE BOM")
        << QByteArray("\xFF\xFE") + encoded(text, QStringConverter::Utf16LE) << textLines;
    QTest::newRow("UTF-16 BE BOM")
        << QByteArray("\xFE\xFF") + encoded(text, QStringConverter::Utf16BE) << textLines;
    QTest::newRow("BOM only") << QByteArray("\xEF\xBB\xBF") << QStringList();
}

void tst_commandscript::readsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const QString file = writeBytes("in.txt", bytes);
    QVERIFY(!file.isEmpty());
    const CommandScript::ReadResult result = CommandScript::Read(file);
    QVERIFY2(result.Ok(), qPrintable(result.Error));
    QCOMPARE(result.Lines, lines);
}

void tst_commandscript::unreadableFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing.txt"
                             << "No such file";
    QTest::newRow("a folder") << "folder.txt"
                              << "directory";
}

void tst_commandscript::unreadableFiles()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QVERIFY(QDir(dir.path()).mkpath("folder.txt"));
    const CommandScript::ReadResult result = CommandScript::Read(path(name));
    QVERIFY(!result.Ok());
    QVERIFY(result.Lines.isEmpty());
    QVERIFY2(result.Error.contains(QDir::toNativeSeparators(path(name))), qPrintable(result.Error));
    QVERIFY2(result.Error.contains(reason, Qt::CaseInsensitive), qPrintable(result.Error));
}

void tst_commandscript::writesLikeTheSettingsFile()
{
    QVERIFY(writeBytes("out.txt", QByteArray(4096, 'x')) != QString()); // replaced, not merged
    const QStringList lines{QString::fromUtf8("// 12/10/2026,14:03:07 µs"), "*CFG 0 1", "",
                            QString::fromUtf8("\u03A9")};
    QCOMPARE(CommandScript::Write(path("out.txt"), lines), QString());
    QCOMPARE(readBytes("out.txt"),
             QByteArray("// 12/10/2026,14:03:07 \xB5s\r\n*CFG 0 1\r\n\r\n?\r\n"));
    // what was written reads back as the same lines (the character Latin-1 lacks aside)
    QCOMPARE(CommandScript::Read(path("out.txt")).Lines, QStringList(lines.mid(0, 3)) << "?");

    QCOMPARE(CommandScript::Write(path("empty.txt"), {}), QString());
    QCOMPARE(readBytes("empty.txt"), QByteArray());
}

void tst_commandscript::failedWriteLeavesEarlierFile()
{
    const QString missingFolder = path("no/such/folder/out.txt");
    const QString error = CommandScript::Write(missingFolder, {"*SAV 1"});
    QVERIFY2(error.contains(QDir::toNativeSeparators(missingFolder)), qPrintable(error));
    QVERIFY(!QFile::exists(missingFolder));

    // a folder of that name cannot be replaced by the file
    QVERIFY(QDir(dir.path()).mkpath("taken.txt"));
    QVERIFY(!CommandScript::Write(path("taken.txt"), {"*SAV 1"}).isEmpty());
    QVERIFY(QFileInfo(path("taken.txt")).isDir());
}

void tst_commandscript::fullDiskLeavesEarlierFile_data()
{
    QTest::addColumn<int>("lineCount");
    // Far below any buffer (the write fails only when the buffer is flushed) and far
    // beyond one.
    QTest::newRow("a few lines") << 20;
    QTest::newRow("many lines") << 20000;
}

void tst_commandscript::fullDiskLeavesEarlierFile()
{
    QFETCH(int, lineCount);
    const QByteArray earlier("*CFG 0 1 0.001 NORM 1 1 1 0\r\n:SYST:AUT 1\r\n");
    QVERIFY(QDir(dir.path()).mkpath("full"));
    const QString file = writeBytes("full/settings.txt", earlier);
    QVERIFY(!file.isEmpty());
    const QStringList lines(lineCount, QStringLiteral("*CFG 1 1 0.00000200000 0.00001000000"));

    QString error;
    {
        const FileSizeLimit full(100);
        QVERIFY(full.Set());
        error = CommandScript::Write(file, lines);
    }
    QVERIFY2(error.startsWith(
                 QStringLiteral("Cannot create file \"%1\". ").arg(QDir::toNativeSeparators(file))),
             qPrintable(error));
    QVERIFY2(error.contains("too large", Qt::CaseInsensitive), qPrintable(error));
    QCOMPARE(readBytes("full/settings.txt"), earlier);
    // No half-written temporary file is left beside it.
    QCOMPARE(QDir(path("full")).entryList(QDir::Files), QStringList{"settings.txt"});
}

void tst_commandscript::oversizedFileRefused()
{
    // A settings file is a few kilobytes; a file beyond 16 MiB (or a device that never
    // ends) is not read into memory.
    QFile big(path("big.txt"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(16 * 1024 * 1024 + 1));
    big.close();
    for (const QString &file : {big.fileName(), QStringLiteral("/dev/zero")}) {
        const CommandScript::ReadResult result = CommandScript::Read(file);
        QVERIFY(!result.Ok());
        QVERIFY(result.Lines.isEmpty());
        QCOMPARE(result.Error, QStringLiteral("Cannot open file \"%1\". The file is larger than "
                                              "16 MiB.")
                                   .arg(QDir::toNativeSeparators(file)));
    }
    // Exactly 16 MiB is still read.
    QVERIFY(big.open(QIODevice::ReadWrite));
    QVERIFY(big.resize(16 * 1024 * 1024));
    big.close();
    QVERIFY(CommandScript::Read(big.fileName()).Ok());
    QFile::remove(big.fileName());
}

void tst_commandscript::commentRule_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("comment");
    QTest::newRow("at start") << "// Serial Number: 1234" << true;
    QTest::newRow("trailing") << ":PULS1:DEL 0.1 // fast" << true;
    QTest::newRow("inside a word") << "http://x" << true;
    QTest::newRow("single slash") << ":PULS1:DEL 0.1 / 2" << false;
    QTest::newRow("slashes apart") << "/ /" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blank") << " " << false;
}

void tst_commandscript::commentRule()
{
    QFETCH(QString, line);
    QFETCH(bool, comment);
    QCOMPARE(CommandScript::IsComment(line), comment);
}

QTEST_GUILESS_MAIN(tst_commandscript)
#include "tst_commandscript.moc"
