// FileHandler against real folders and files in a temporary directory.
#include "device/FileHandler.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList probeLeftovers(const QString &folder) {
    return QDir(folder).entryList({QStringLiteral("test_write_permission*")}, QDir::Files | QDir::Hidden);
}

bool runningAsRoot() {
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

class TestFileHandler : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // A folder the user keeps a file named like the probe in ("userfolder") finds it untouched afterwards.
    void isPathWritable_reportsEachCase_data() {
        QTest::addColumn<QString>("relativePath"); // below the temporary folder; "" = the empty path
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("folderAfter"); // must exist afterwards; "" = nothing to check
        const QString yes = QStringLiteral("Location is writable");
        QTest::newRow("empty path") << QString() << false << "Path is empty" << QString();
        QTest::newRow("existing folder") << "out.csv" << true << yes << ".";
        QTest::newRow("missing folders are created") << "new/deeper/out.csv" << true << yes << "new/deeper";
        QTest::newRow("folder part is a regular file")
            << "plainfile/out.csv" << false << "Directory doesn't exist and cannot be created" << QString();
        QTest::newRow("user's file named like the probe")
            << "userfolder/log.csv" << true << yes << "userfolder";
    }

    void isPathWritable_reportsEachCase() {
        QFETCH(QString, relativePath);
        QFETCH(bool, writable);
        QFETCH(QString, message);
        QFETCH(QString, folderAfter);
        writeBytes(m_dir.filePath(QStringLiteral("plainfile")), "not a folder");
        const QString userFile = m_dir.filePath(QStringLiteral("userfolder/test_write_permission.tmp"));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("userfolder"))));
        writeBytes(userFile, "the user's own notes\n");
        const QDateTime modified = QFileInfo(userFile).lastModified();
        const QString path = relativePath.isEmpty() ? QString() : m_dir.filePath(relativePath);

        const QVariantMap result = FileHandler().isPathWritable(path);
        QCOMPARE(result.value(QStringLiteral("isWritable")).toBool(), writable);
        QCOMPARE(result.value(QStringLiteral("message")).toString(), message);
        if (!folderAfter.isEmpty()) {
            const QStringList left = probeLeftovers(m_dir.filePath(folderAfter));
            QVERIFY(QFileInfo(m_dir.filePath(folderAfter)).isDir());
            QVERIFY2(left == (folderAfter == QLatin1String("userfolder")
                                  ? QStringList{QFileInfo(userFile).fileName()}
                                  : QStringList()),
                     qPrintable(left.join(' ')));
        }
        QCOMPARE(readAll(userFile), QByteArray("the user's own notes\n"));
        QCOMPARE(QFileInfo(userFile).lastModified(), modified);
        QVERIFY(!QFileInfo::exists(path) || path.isEmpty());
    }

    void isPathWritable_folderWithoutPermission_reportsNoPermissionAndLeavesNothing() {
#ifndef Q_OS_UNIX
        QSKIP("folder permissions are checked on POSIX systems");
#else
        FileHandler handler;
        // /proc refuses new files even to root, so this part runs for every user.
        if (QFileInfo(QStringLiteral("/proc/self")).exists()) {
            const QVariantMap proc = handler.isPathWritable(QStringLiteral("/proc/out.csv"));
            QCOMPARE(proc.value(QStringLiteral("isWritable")).toBool(), false);
            QCOMPARE(proc.value(QStringLiteral("message")).toString(),
                     QStringLiteral("No write permission for this location"));
        }
        if (runningAsRoot())
            QSKIP(
                "root writes into read-only folders; run the suite as an ordinary user to check permissions");

        const QString folder = m_dir.filePath(QStringLiteral("readonly"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const QVariantMap result = handler.isPathWritable(folder + QStringLiteral("/out.csv"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(result.value(QStringLiteral("isWritable")).toBool(), false);
        QCOMPARE(result.value(QStringLiteral("message")).toString(),
                 QStringLiteral("No write permission for this location"));
        QVERIFY(probeLeftovers(folder).isEmpty());
#endif
    }

    void createEmptyFile_data() {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<QByteArray>("before"); // null = no file before
        QTest::addColumn<bool>("created");

        QTest::newRow("new file") << "fresh.csv" << QByteArray() << true;
        QTest::newRow("existing file is emptied") << "used.csv" << QByteArray("old,content\n1,2\n") << true;
        QTest::newRow("missing folder is not created") << "absent/fresh.csv" << QByteArray() << false;
    }

    void createEmptyFile() {
        QFETCH(QString, relativePath);
        QFETCH(QByteArray, before);
        QFETCH(bool, created);

        const QString path = m_dir.filePath(relativePath);
        if (!before.isNull())
            writeBytes(path, before);

        FileHandler handler;
        QCOMPARE(handler.createEmptyFile(path), created);
        QCOMPARE(QFileInfo::exists(path), created);
        if (created)
            QCOMPARE(QFileInfo(path).size(), 0);
        else
            QVERIFY(!QFileInfo::exists(QFileInfo(path).absolutePath()));
    }

    void resolveTypedPath_takesThePathAsMeant_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("resolved"); // HOME stands for the home folder
        // An absolute path and a bare name are typed into the real popup in
        // tests/qml/tst_filtersandlogging.qml.
        QTest::newRow("relative, cleaned") << " runs/../x.csv "
                                           << "/data/logs/x.csv";
        QTest::newRow("home") << "~/x.csv"
                              << "HOME/x.csv";
        QTest::newRow("nothing typed") << "  "
                                       << "";
    }

    void resolveTypedPath_takesThePathAsMeant() {
        QFETCH(QString, typed);
        QFETCH(QString, resolved);
        resolved.replace(QStringLiteral("HOME"), QDir::homePath());
        QCOMPARE(FileHandler().resolveTypedPath(typed, QStringLiteral("/data/logs")), resolved);
    }

    // Appends by default, replaces on request, UTF-8 without an added line end; failures warn and say false.
    void writeToFile_appendsOrReplaces_andFailuresSayFalse() {
        FileHandler handler;
        const QString letters = m_dir.filePath(QStringLiteral("letters.txt"));
        const QString text = QStringLiteral("\u00b5g \u2713\n\u91cd");
        QVERIFY(handler.writeToFile(letters, QStringLiteral("a")) &&
                handler.writeToFile(letters, QStringLiteral("a")));
        QCOMPARE(readAll(letters), QByteArray("aa"));
        QVERIFY(handler.writeToFile(letters, QStringLiteral("a"), false) &&
                handler.writeToFile(letters, text, true));
        QCOMPARE(readAll(letters), "a" + text.toUtf8());

        const QString path = m_dir.filePath(QStringLiteral("nowhere/out.csv"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "^❌ Failed to open file: \".*nowhere/out.csv\"$")));
        QCOMPARE(handler.writeToFile(path, QStringLiteral("x")), false);
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("nowhere"))));

        // /dev/full accepts the open and refuses every byte, like a disk that has filled up.
        if (!QFileInfo::exists(QStringLiteral("/dev/full")))
            QSKIP("this system has no /dev/full");
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^❌ Failed to write file: \"/dev/full\"")));
        QCOMPARE(handler.writeToFile(QStringLiteral("/dev/full"), QStringLiteral("lost line\n"), true),
                 false);
    }

    void logsFolder_fallsBackToTheUsersFolder_data() {
        QTest::addColumn<QString>(
            "programFolder"); // "file": "logs" is taken by a file; "read-only": no write bit
        QTest::addColumn<bool>("userFolderWritable");
        QTest::addColumn<bool>("expectFallback");

        QTest::newRow("beside the program") << QString() << true << false;
        QTest::newRow("name taken by a file") << "file" << true << true;
        QTest::newRow("program folder read-only, as under /usr/bin") << "read-only" << true << true;
        QTest::newRow("nothing writable") << "file" << false << false;
    }

    void logsFolder_fallsBackToTheUsersFolder() {
        QFETCH(QString, programFolder);
        QFETCH(bool, userFolderWritable);
        QFETCH(bool, expectFallback);
        if (programFolder == QStringLiteral("read-only") && runningAsRoot())
            QSKIP("root writes into read-only folders; the unprivileged run checks this row");

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString program = dir.filePath(QStringLiteral("bin"));
        const QString preferred = program + QStringLiteral("/logs");
        QVERIFY(QDir().mkpath(program));
        if (programFolder == QStringLiteral("file"))
            writeBytes(preferred, "not a folder");
        if (programFolder == QStringLiteral("read-only"))
            QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        // The user's folders lie below HOME; a file where they would begin makes them impossible to create.
        const QByteArray home = qgetenv("HOME");
        const QString testHome = dir.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(testHome));
        if (!userFolderWritable)
            writeBytes(testHome + QStringLiteral("/.qttest"), "not a folder");
        qputenv("HOME", QFile::encodeName(testHome));
        const QString fallback =
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/logs");
        const QString chosen = FileHandler::logsFolder(preferred);
        qputenv("HOME", home);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(chosen, expectFallback ? fallback : preferred);
        QCOMPARE(QFileInfo(fallback).isDir(), expectFallback);
        QCOMPARE(QFileInfo(preferred).isDir(), programFolder.isEmpty());
        QVERIFY(probeLeftovers(chosen).isEmpty());
    }

private:
    QTemporaryDir m_dir;
};

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KelvoraTest"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_filehandler"));
    // Keeps the application-data folder out of the real user profile.
    QStandardPaths::setTestModeEnabled(true);
    TestFileHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filehandler.moc"
